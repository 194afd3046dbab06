// inspect --follow: watches the file with the system's file events and, for file systems that
// send none, a look at its size and time four times a second; reads at most every 100 ms and
// prints what changed, one JSON line each.
#include "follow_command.h"

#include "follow.h"
#include "format_detector.h"
#include "inspect_report.h"
#include "reading_advice.h"
#include "settings_file.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <new>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnotile::cli {
namespace {

constexpr int kReadIntervalMs = 100; // at most one read per interval
constexpr int kLookIntervalMs = 250; // a look at the file where no file event comes

void printLine(const QJsonObject& object, const JsonTexts& texts = JsonTexts(false)) {
    texts.write(QJsonDocument(object).toJson(QJsonDocument::Compact), stdout);
    std::fputc('\n', stdout);
    // A script reading the pipe sees each change as it happens; output that cannot be written
    // (a full disk) ends the following with a failure.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) QCoreApplication::exit(kExitUsage);
}

// What the system says of the file without reading it; any difference is worth a read.
struct Look {
    bool exists = false;
    off_t size = 0;
    ino_t inode = 0;
    dev_t device = 0;
    timespec modified{};
    bool operator==(const Look& o) const {
        return exists == o.exists && size == o.size && inode == o.inode && device == o.device &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
    }
};

Look lookAt(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {true, st.st_size, st.st_ino, st.st_dev, st.st_mtim};
}

// SIGINT and SIGTERM end the event loop through a pipe: a signal handler may only write.
int signalPipe[2] = {-1, -1};

void writeToSignalPipe(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

class Follower {
public:
    // The watch begins right after the load, before anything is printed.
    Follower(DataSet& ds, const LoadOptions& options)
        : ds_(ds), options_(options), path_(ds.File.CurrentFileName), startSeparator_(startSeparator(options)),
          watch_(WatchLoadedFile(ds)), look_(lookAt(path_)), proposed_(proposalFromStart()) {}

    void start() {
        const QString directory = QFileInfo(QFile::decodeName(path_.c_str())).absolutePath();
        watcher_.addPath(directory); // the file coming back or replaced
        rewatchFile();
        // Other files of the folder change too: those events count only when this file's look changed.
        auto scheduleIfChanged = [this] {
            if (!(lookAt(path_) == look_)) scheduleRead();
        };
        QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, &watcher_, [this] { scheduleRead(); });
        QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, &watcher_, scheduleIfChanged);
        readTimer_.setSingleShot(true);
        QObject::connect(&readTimer_, &QTimer::timeout, &readTimer_, [this] { check(); });
        QObject::connect(&lookTimer_, &QTimer::timeout, &lookTimer_, scheduleIfChanged);
        lookTimer_.start(kLookIntervalMs);
        sinceRead_.start();
        // Bytes may have arrived while the file was loaded.
        scheduleRead();
    }

private:
    // The delimiter a fresh load starts from, before --auto adopts the proposal's.
    static std::string startSeparator(const LoadOptions& options) {
        if (options.delimiterGiven) return options.delimiter;
        DataSet settings;
        ReadSettingsFile(settings, settingsPathBesideProgram());
        return settings.Layout.ListSeparator;
    }

    void scheduleRead() {
        if (readTimer_.isActive()) return;
        readTimer_.start(static_cast<int>(std::max<qint64>(0, kReadIntervalMs - sinceRead_.elapsed())));
    }

    void check() {
        sinceRead_.restart();
        // The look comes first: whatever arrives while the file is read makes the next look differ.
        look_ = lookAt(path_);
        GrowthResult growth;
        try {
            growth = FollowGrowth(ds_, watch_);
        } catch (const std::bad_alloc&) {
            growth.kind = Growth::Reload;
            growth.tooLarge = "there is not enough memory to read what it got";
        }
        if (!growth.tooLarge.empty()) {
            // Not read, and not read afresh either: the command ends with the reason.
            std::fprintf(stderr, "varnotile-cli inspect: %s is no longer followed: %s\n", path_.c_str(), growth.tooLarge.c_str());
            QCoreApplication::exit(kExitUsage);
            return;
        }
        switch (growth.kind) {
        case Growth::Unchanged: break;
        case Growth::Appended:
            if (proposalMoved())
                reload();
            else
                printState(growth.rowsAdded, false);
            break;
        case Growth::Reload: reload(); break;
        case Growth::Vanished: sayVanished(); break;
        }
        rewatchFile();
        if (growth.more) scheduleRead(); // the rest of a large growth, in the next piece
    }

    // The detector's proposal for the lines held, with the delimiter a fresh load starts from.
    ReadingChoice proposalFromStart() {
        const std::string loadedSeparator = ds_.Layout.ListSeparator;
        ds_.Layout.ListSeparator = startSeparator_;
        const ReadingChoice proposed = ProposedChoice(ds_);
        ds_.Layout.ListSeparator = loadedSeparator;
        return proposed;
    }

    // With --auto the file is read as the detector proposes where that reads it better; rows
    // that make it propose another reading call for a load afresh, as a new inspect would read
    // the file.
    bool proposalMoved() {
        if (!options_.reading.automatic) return false;
        ds_.Layout.Proposal = ProposeReading(ds_.File.FileLines, ds_.DecimalSeparator);
        return !(proposalFromStart() == proposed_);
    }

    void reload() {
        LoadOutcome outcome;
        loadForCommand(ds_, options_, path_, outcome);
        watch_ = WatchLoadedFile(ds_);
        proposed_ = proposalFromStart();
        if (watch_.vanished) {
            sayVanished();
            return;
        }
        vanishedSaid_ = false;
        printState(ds_.Layout.DataRowCount, true);
    }

    void sayVanished() {
        if (std::exchange(vanishedSaid_, true)) return;
        printLine(QJsonObject{{QStringLiteral("vanished"), true}});
    }

    // After a reload every row counts as added: the rows added since the last reload sum to the
    // row count.
    void printState(int rowsAdded, bool reloaded) {
        QJsonArray columns;
        for (int j = 1; j <= ds_.Layout.ColumnCount; ++j) columns.append(columnRange(ds_, j));
        QJsonObject line{{QStringLiteral("data_row_count"), ds_.Layout.DataRowCount},
                         {QStringLiteral("rows_added"), rowsAdded},
                         {QStringLiteral("columns"), columns}};
        if (reloaded) line.insert(QStringLiteral("reloaded"), true);
        printLine(line);
    }

    // A watch on a file ends with the file (deleted or renamed over): watch the one there now.
    void rewatchFile() {
        const Look now = lookAt(path_);
        // The watcher drops a file that was deleted; a new file may get the old inode number.
        if (!now.exists || (!watcher_.files().isEmpty() && watchedInode_ == now.inode && watchedDevice_ == now.device))
            return;
        const QString file = QFile::decodeName(path_.c_str());
        watcher_.removePath(file);
        watcher_.addPath(file);
        watchedInode_ = now.inode;
        watchedDevice_ = now.device;
    }

    DataSet& ds_;
    const LoadOptions options_;
    const std::string path_;
    const std::string startSeparator_;
    FollowWatch watch_;
    Look look_;
    ReadingChoice proposed_; // the proposal when the file was loaded
    bool vanishedSaid_ = false;
    QFileSystemWatcher watcher_;
    ino_t watchedInode_ = 0;
    dev_t watchedDevice_ = 0;
    QTimer readTimer_, lookTimer_;
    QElapsedTimer sinceRead_;
};

} // namespace

int followFile(DataSet& ds, const LoadOptions& options, const LoadOutcome& outcome) {
    Follower follower(ds, options);
    JsonTexts texts(ds.File.FileIsUtf8);
    printLine(loadReport(ds, outcome, texts), texts);

    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("varnotile-cli inspect");
        return kExitUsage;
    }
    QSocketNotifier interrupted(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&interrupted, &QSocketNotifier::activated, &interrupted, [] { QCoreApplication::quit(); });
    struct sigaction action {};
    action.sa_handler = writeToSignalPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    if (std::ferror(stdout)) return kExitUsage; // the first line could not be written
    follower.start();
    const int exit = QCoreApplication::exec();
    std::fflush(stdout);
    return exit == 0 ? kExitLoaded : exit;
}

} // namespace varnotile::cli

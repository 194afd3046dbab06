#pragma once
// Follows the shown file while "Follow File" is on: a file-system watch on the file and its
// folder (which sees the file replaced, removed and back), with a timer that only looks at the
// file's size and date: every 250 ms where the file system gives no events, else once a second
// for an event that went missing. What was appended is read at most every 100 ms.
#include "follow.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <thread>

class QFileSystemWatcher;
class QTimer;

namespace varnotile {

class FileFollower : public QObject {
    Q_OBJECT
public:
    explicit FileFollower(DataSet& ds, QObject* parent = nullptr);
    ~FileFollower() override;

    // Notes the data set's file as it was just loaded: following goes on from there.
    void fileLoaded();
    // On: watches the file and reads what it got since the load; off: stops watching.
    void setFollowing(bool on);
    bool following() const { return following_; }
    // The shown file is compressed: it is not followed (its growth cannot be read on its own).
    bool refused() const { return watch_.compressed; }
    // The file is looked at by the timer alone, every 250 ms (no file-system events for it).
    bool polling() const { return polling_; }
    // Whether the file may be read now; while not, its changes wait for the next look.
    void setReadGate(std::function<bool()> gate) { gate_ = std::move(gate); }
    // Reads what the file got since the last look (the timers call it). A growth read only in
    // part is read on at once; the pieces of a large growth are read from the disk on another
    // thread first (the look then finds nothing yet, and comes again once they are in). A failure (memory running short) stops following and comes as a
    // Reload whose `tooLarge` says why; the table keeps what it holds.
    GrowthResult readNow();
    // The file as the table holds it (a save replaces it only while it stands so).
    const DiskStamp& asRead() const { return watch_.asRead; }
    // The table was just written over the shown file (or the user chose to replace it as it
    // stands): the table holds the file as it stands now.
    void takeDiskStateAsRead() { watch_.asRead = DiskStampOf(watch_.path); }

signals:
    // Just before the file's new bytes are read (the rows arrive while it is read).
    void aboutToRead();
    void followed(varnotile::GrowthResult result);

private:
    struct Stamp {
        bool exists = false;
        qint64 size = 0, modified = 0;
        quint64 inode = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stampOf(const std::string& path);
    void changed();
    void poll();
    // Watches the file's present inode and its folder; chooses how often the timer looks.
    void rewatch();
    // Starts reading the next piece of a large growth on another thread; false when not worth it.
    bool startReadingAhead();
    void readAheadDone(ReadAhead ahead);

    DataSet& ds_;
    FollowWatch watch_;
    bool following_ = false;
    bool polling_ = false;
    Stamp seen_;               // the file as it stood at the last read
    quint64 watchedInode_ = 0; // the inode the watcher has
    QString noEventsFolder_;   // the folder noEvents_ was found for
    bool noEvents_ = false;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* readTimer_ = nullptr;
    QTimer* pollTimer_ = nullptr;
    QElapsedTimer sinceRead_;
    std::function<bool()> gate_;
    std::thread aheadReader_;
    bool readingAhead_ = false;
    ReadAhead ahead_; // the piece read ahead, taken by the next look
};

} // namespace varnotile

#include "file_follower.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QStorageInfo>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <new>
#include <sys/stat.h>

namespace varnotile {
namespace {

constexpr int kReadIntervalMs = 100; // reads at most this often
constexpr int kPollMs = 250;         // looks this often where no events come
constexpr int kSafetyPollMs = 1000;  // ... and this often for an event that went missing

// File systems whose files change on other machines: their changes give no events here.
bool changesGiveNoEvents(const QString& folder) {
    const QByteArray type = QStorageInfo(folder).fileSystemType().toLower();
    if (type.startsWith("fuse")) return true;
    for (const char* kind : {"nfs", "nfs4", "cifs", "smb3", "smbfs", "9p", "ceph", "afs", "glusterfs", "lustre", "vboxsf"})
        if (type == kind) return true;
    return false;
}

} // namespace

FileFollower::FileFollower(DataSet& ds, QObject* parent) : QObject(parent), ds_(ds) {
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &FileFollower::changed);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &FileFollower::changed);
    readTimer_ = new QTimer(this);
    readTimer_->setSingleShot(true);
    connect(readTimer_, &QTimer::timeout, this, &FileFollower::readNow);
    pollTimer_ = new QTimer(this);
    connect(pollTimer_, &QTimer::timeout, this, &FileFollower::poll);
    sinceRead_.start();
}

FileFollower::~FileFollower() {
    if (aheadReader_.joinable()) aheadReader_.join();
}

FileFollower::Stamp FileFollower::stampOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return {};
    return {true, static_cast<qint64>(st.st_size),
            static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + static_cast<qint64>(st.st_mtim.tv_nsec),
            static_cast<quint64>(st.st_ino)};
}

void FileFollower::fileLoaded() {
    watch_ = WatchLoadedFile(ds_);
    seen_ = stampOf(watch_.path);
    if (following_) {
        setFollowing(false); // the file (and folder) may be another one now
        setFollowing(true);
    }
}

void FileFollower::setFollowing(bool on) {
    if (!on || watch_.path.empty() || watch_.compressed) {
        following_ = false;
        readTimer_->stop();
        pollTimer_->stop();
        if (!watcher_->files().isEmpty()) watcher_->removePaths(watcher_->files());
        if (!watcher_->directories().isEmpty()) watcher_->removePaths(watcher_->directories());
        watchedInode_ = 0;
        return;
    }
    if (following_) return;
    following_ = true;
    rewatch();
    // What arrived since the load (or the last look) is read at once.
    changed();
}

void FileFollower::rewatch() {
    const QString path = QFile::decodeName(watch_.path.c_str());
    const QString folder = QFileInfo(path).absolutePath();
    if (!watcher_->directories().contains(folder)) watcher_->addPath(folder);
    // A file replaced by another one (a rename onto its name) is a new inode: watch that one.
    const Stamp now = stampOf(watch_.path);
    if (watcher_->files().contains(path) && (!now.exists || now.inode != watchedInode_)) watcher_->removePath(path);
    if (now.exists && !watcher_->files().contains(path) && watcher_->addPath(path)) watchedInode_ = now.inode;
    const bool watched = now.exists ? watcher_->files().contains(path) : watcher_->directories().contains(folder);
    // The file system is asked once per folder (it reads the system's list of mounts).
    if (folder != noEventsFolder_) {
        noEventsFolder_ = folder;
        noEvents_ = changesGiveNoEvents(folder);
    }
    polling_ = !watched || noEvents_;
    const int interval = polling_ ? kPollMs : kSafetyPollMs;
    if (!pollTimer_->isActive() || pollTimer_->interval() != interval) pollTimer_->start(interval);
}

void FileFollower::changed() {
    if (!following_ || readTimer_->isActive()) return;
    readTimer_->start(static_cast<int>(std::max<qint64>(0, kReadIntervalMs - sinceRead_.elapsed())));
}

void FileFollower::poll() {
    if (following_ && !(stampOf(watch_.path) == seen_)) changed();
}

GrowthResult FileFollower::readNow() {
    // While the gate is shut the file is not read; seen_ stays, so the next look tries again.
    if (!following_ || (gate_ && !gate_())) return {};
    // The disk is read on another thread: this look waits for nothing.
    if (readingAhead_ || (ahead_.bytes.empty() && startReadingAhead())) return {};
    sinceRead_.restart();
    seen_ = stampOf(watch_.path);
    emit aboutToRead();
    GrowthResult result;
    try {
        result = FollowGrowth(ds_, watch_, &ahead_);
    } catch (const std::bad_alloc&) {
        result.kind = Growth::Reload;
        result.tooLarge = "there is not enough memory to read what it got";
    } catch (const std::exception& error) {
        result.kind = Growth::Reload;
        result.tooLarge = std::string("it could not be read: ") + error.what();
    }
    ahead_ = {};
    if (!result.tooLarge.empty()) setFollowing(false);
    if (following_) rewatch();
    if (result.more) changed();
    emit followed(result);
    return result;
}

bool FileFollower::startReadingAhead() {
    if (!WorthReadingAhead(watch_)) return false;
    if (aheadReader_.joinable()) aheadReader_.join();
    readingAhead_ = true;
    aheadReader_ = std::thread([this, path = watch_.path, offset = watch_.offset] {
        ReadAhead ahead = ReadPieceAhead(path, offset);
        QMetaObject::invokeMethod(
            this, [this, ahead = std::move(ahead)]() mutable { readAheadDone(std::move(ahead)); }, Qt::QueuedConnection);
    });
    return true;
}

void FileFollower::readAheadDone(ReadAhead ahead) {
    readingAhead_ = false;
    ahead_ = std::move(ahead);
    changed();
}

} // namespace varnotile

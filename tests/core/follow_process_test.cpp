// varnotile-cli inspect --follow while a writer appends, cuts lines, truncates, replaces and
// removes the file: every change line adds up to the row count before it, and the last line
// shows what a fresh inspect of the final file shows.
#include "test_files.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <unistd.h>

using varnotile::test::TempDir;

namespace {

std::string rows(int from, int to, const char* value = nullptr) {
    std::string s;
    for (int i = from; i <= to; ++i) s += std::to_string(i) + "," + (value ? value : std::to_string(static_cast<long long>(i) * i % 97)) + "\n";
    return s;
}

// One step of the writer, then how long it waits, or what it waits for, before the next one.
struct Step {
    enum Kind { Append, Truncate, Replace, Remove } kind;
    std::string bytes;
    int pauseMs = 0;
    const char* waitFor = nullptr; // a member a line printed after the step must have
};

struct Scenario {
    const char* name;
    QStringList flags;
    std::string start;
    std::vector<Step> steps;
};

// The follower's output, read as it comes: the pipe must not fill while the writer works.
class Follower {
public:
    Follower(const QStringList& flags, const std::string& file) {
        process_.start(QStringLiteral(VARNOTILE_CLI),
                       QStringList{QStringLiteral("inspect"), QStringLiteral("--follow")} + flags +
                           QStringList{QString::fromStdString(file)});
    }
    ~Follower() {
        if (process_.state() != QProcess::NotRunning) process_.kill();
        process_.waitForFinished(5000);
    }
    // Reads for `ms` milliseconds, or until `done` holds for the lines; whether it came to hold.
    bool readFor(int ms, const std::function<bool()>& done = {}) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            if (done && done()) return true;
            process_.waitForReadyRead(static_cast<int>(std::clamp<qint64>(ms - clock.elapsed(), 1, 50)));
            takeLines();
        }
        return done && done();
    }
    // SIGTERM, as an interrupt from a script; the exit status.
    int stop() {
        process_.terminate();
        process_.waitForFinished(5000);
        takeLines();
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    // Waits for the command to end on its own; the exit status and what it said on stderr.
    int ended(int ms, QByteArray& errors) {
        process_.waitForFinished(ms);
        takeLines();
        errors = process_.readAllStandardError();
        return process_.state() == QProcess::NotRunning && process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    QList<QJsonObject> lines;

private:
    void takeLines() {
        buffer_ += process_.readAllStandardOutput();
        for (qsizetype end; (end = buffer_.indexOf('\n')) >= 0; buffer_.remove(0, end + 1))
            lines.append(QJsonDocument::fromJson(buffer_.left(end)).object());
    }

    QProcess process_;
    QByteArray buffer_;
};

QJsonObject freshInspect(const QStringList& flags, const std::string& file) {
    QProcess p;
    p.start(QStringLiteral(VARNOTILE_CLI), QStringList{QStringLiteral("inspect")} + flags + QStringList{QString::fromStdString(file)});
    p.waitForFinished(30000);
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// The "min" and "max" of every column, as the change lines give them.
QJsonArray ranges(const QJsonObject& report) {
    QJsonArray out;
    for (const QJsonValue column : report.value(QStringLiteral("columns")).toArray()) {
        QJsonObject range;
        for (const char* key : {"min", "max"})
            if (column.toObject().contains(QLatin1String(key))) range.insert(QLatin1String(key), column.toObject().value(QLatin1String(key)));
        out.append(range);
    }
    return out;
}

int count(const QJsonObject& line) { return line.value(QStringLiteral("data_row_count")).toInt(); }

} // namespace

TEST(FollowProcess, EndsAsAFreshInspectWithEveryRowOnce) {
    const std::string head = "t,v\n";
    const std::vector<Scenario> scenarios = {
        {"steady rate", {}, head + rows(1, 30), [] {
             std::vector<Step> steps;
             for (int i = 31; i <= 70; ++i) steps.push_back({Step::Append, rows(i, i), 15});
             return steps;
         }()},
        {"bursts", {}, head + rows(1, 30), {{Step::Append, rows(31, 2000), 300}, {Step::Append, rows(2001, 2500), 0}, {Step::Append, rows(2501, 5000), 0}}},
        {"lines cut in the middle", {}, head + rows(1, 30) + "31,",
         {{Step::Append, "1", 150}, {Step::Append, "00\n32,-", 150}, {Step::Append, "4\n33", 150}, {Step::Append, ",5\r", 150}, {Step::Append, "\n", 0}}},
        {"short at first", {}, head + "1,2\n", {{Step::Append, rows(2, 3), 200}, {Step::Append, rows(4, 60), 0}}},
        {"truncated", {}, head + rows(1, 30),
         {{Step::Truncate, head + rows(1, 8), 0, "reloaded"}, {Step::Append, rows(9, 50), 0}}},
        {"replaced by rename", {}, head + rows(1, 30), {{Step::Replace, "a,b\n" + rows(5, 40), 0}, {Step::Append, rows(41, 45), 0}}},
        {"removed and written again", {}, head + rows(1, 30),
         {{Step::Remove, "", 0, "vanished"}, {Step::Append, head + rows(1, 12), 0, "reloaded"}, {Step::Append, rows(13, 20), 0}}},
        {"reading options", {"--comments", "--missing"}, "# logger 3\n" + head + rows(1, 30),
         {{Step::Append, "# pause\n\n" + rows(31, 32, "NA"), 150}, {Step::Append, rows(33, 34, "-1"), 0}}},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        TempDir dir;
        const std::string path = dir.write("log.csv", s.start);
        Follower follower(s.flags, path);
        ASSERT_TRUE(follower.readFor(10000, [&] { return !follower.lines.empty(); }));
        for (const Step& step : s.steps) {
            const qsizetype seen = follower.lines.size();
            if (step.kind == Step::Append) {
                std::ofstream(path, std::ios::binary | std::ios::app) << step.bytes;
            } else if (step.kind == Step::Truncate) {
                std::ofstream(path, std::ios::binary | std::ios::trunc) << step.bytes;
            } else if (step.kind == Step::Replace) {
                std::ofstream(path + ".new", std::ios::binary) << step.bytes;
                ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
            } else {
                ASSERT_EQ(std::remove(path.c_str()), 0);
            }
            // A file rewritten in place must be seen short before it grows past its old size.
            if (step.waitFor) {
                EXPECT_TRUE(follower.readFor(10000, [&] {
                    for (qsizetype i = seen; i < follower.lines.size(); ++i)
                        if (follower.lines[i].contains(QLatin1String(step.waitFor))) return true;
                    return false;
                })) << step.waitFor;
            }
            follower.readFor(step.pauseMs);
        }
        const QJsonObject fresh = freshInspect(s.flags, path);
        auto caughtUp = [&] {
            const QJsonObject& last = follower.lines.back();
            return count(last) == count(fresh) && ranges(last) == ranges(fresh);
        };
        follower.readFor(10000, caughtUp);
        EXPECT_EQ(follower.stop(), 0);

        // Each change line adds its rows to the count before it; a reload starts the count anew.
        int rowsSeen = count(follower.lines.front());
        for (const QJsonObject& line : follower.lines.mid(1)) {
            if (line.value(QStringLiteral("vanished")).toBool()) continue;
            if (line.value(QStringLiteral("reloaded")).toBool()) rowsSeen = 0;
            rowsSeen += line.value(QStringLiteral("rows_added")).toInt();
            EXPECT_EQ(count(line), rowsSeen) << QJsonDocument(line).toJson().toStdString();
        }
        const QJsonObject& last = follower.lines.back();
        EXPECT_EQ(count(last), count(fresh));
        EXPECT_EQ(ranges(last), ranges(fresh)) << QJsonDocument(last).toJson().toStdString();
    }
}

// A file extended by a hole grows by more than the computer can hold: the command is not read to
// death; it ends with status 2 and says why.
TEST(FollowProcess, AJumpNoLoggerMakesEndsWithTheReason) {
    TempDir dir;
    const std::string path = dir.write("log.csv", "t,v\n" + rows(1, 30));
    Follower follower({}, path);
    ASSERT_TRUE(follower.readFor(10000, [&] { return !follower.lines.empty(); }));
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(200ull << 30)), 0);
    QByteArray errors;
    EXPECT_EQ(follower.ended(10000, errors), 2);
    EXPECT_TRUE(errors.contains("more than this computer can hold")) << errors.toStdString();
}

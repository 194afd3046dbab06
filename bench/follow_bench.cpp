// Following a growing file in the window. BM_FollowAppend: 1,000 lines appended to a shown
// 1,000,000-row file, from reading the bytes to the repainted window. BM_FollowStream: a writer
// appends 10 lines every 10 ms (VARNOTILE_FOLLOW_SECONDS, default 5) while the window follows;
// reports the longest the event loop was held up and the process's CPU, and the CPU of the
// same time following a file that does not change. BM_FollowLongLines: one 200 KB line appended
// to a shown file of 600 such lines, with missing values as gaps on.
#include "dialog_recorder.h"
#include "bench_files.h"
#include "file_follower.h"
#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <thread>

namespace {

// Lines shaped like the benchmark file's, numbered on from `first`.
std::string lines(long first, int count) {
    std::string s;
    char line[200];
    for (long r = first; r < first + count; ++r) {
        const double t = r * 0.1;
        std::snprintf(line, sizeof line, "%.1f,%.4f,%.4f,%.4f,%.4f,%.4f,%.4f,%.3f,%.3f,%.4f\n", t, 20 + 5 * std::sin(t / 50),
                      21 + 4 * std::cos(t / 70), 19.5 + std::sin(t / 9), 22 - 3 * std::sin(t / 33), 1.2 + 0.1 * std::sin(t / 5),
                      3.4 - 0.2 * std::cos(t / 8), 12.5 + 2 * std::sin(t / 100), 230 + 3 * std::sin(t / 2), 4.2 + 0.3 * std::cos(t / 3));
        s += line;
    }
    return s;
}

void append(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "ab");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

double cpuSeconds() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

// A copy of the benchmark file that may grow, shown in a window with Follow File on.
struct FollowedCopy {
    std::string path = (std::filesystem::temp_directory_path() / "varnotile-follow-bench.csv").string();
    varnotile::MainWindow window{QStringLiteral("/tmp/varnotile-follow-bench.INI")};
    varnotile::DialogRecorder recorder;
    long next = 1000000;
    FollowedCopy() {
        std::filesystem::copy_file(varnotile::bench::benchmarkFile(), path, std::filesystem::copy_options::overwrite_existing);
        window.setDialogResponder(&recorder);
        window.resize(1600, 1000);
        window.show();
        window.openFile(QString::fromStdString(path));
        auto* follow = window.findChild<QAction*>(QStringLiteral("menuFollowFile"));
        if (!follow->isChecked()) follow->trigger();
        QApplication::processEvents();
        window.repaint();
    }
    ~FollowedCopy() {
        window.findChild<QAction*>(QStringLiteral("menuFollowFile"))->trigger(); // the settings file stays off
        std::filesystem::remove(path);
    }
};

void BM_FollowAppend(benchmark::State& state) {
    FollowedCopy copy;
    auto* follower = copy.window.findChild<varnotile::FileFollower*>();
    qint64 read = 0, replot = 0, paint = 0;
    for (auto _ : state) {
        state.PauseTiming();
        append(copy.path, lines(copy.next, 1000));
        copy.next += 1000;
        state.ResumeTiming();
        QElapsedTimer part;
        part.start();
        follower->readNow(); // the rows into the table, the grid and the curves
        read += part.nsecsElapsed();
        part.restart();
        QApplication::processEvents(); // the chart's replot, the grid's layout
        replot += part.nsecsElapsed();
        part.restart();
        copy.window.repaint();
        paint += part.nsecsElapsed();
    }
    const double n = static_cast<double>(state.iterations()) * 1e6;
    state.counters["read_ms"] = static_cast<double>(read) / n;
    state.counters["events_ms"] = static_cast<double>(replot) / n;
    state.counters["paint_ms"] = static_cast<double>(paint) / n;
    state.counters["rows"] = copy.window.dataSet().Layout.DataRowCount;
}
BENCHMARK(BM_FollowAppend)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_FollowLongLines(benchmark::State& state) {
    const std::string path = (std::filesystem::temp_directory_path() / "varnotile-follow-long.csv").string();
    auto line = [](long r) {
        return std::to_string(r) + "," + (r % 5 == 0 ? std::string() : std::to_string(r % 7)) + "," +
               std::string(200000, static_cast<char>('a' + r % 26)) + "\n";
    };
    std::string text = "n,v,text\n";
    long next = 1;
    for (; next <= 600; ++next) text += line(next);
    std::filesystem::remove(path);
    append(path, text);
    {
        varnotile::MainWindow window{QStringLiteral("/tmp/varnotile-follow-long.INI")};
        varnotile::DialogRecorder recorder;
        window.setDialogResponder(&recorder);
        window.dataSet().Settings.Reading.missingAsGaps = true;
        window.resize(1600, 1000);
        window.show();
        window.openFile(QString::fromStdString(path));
        auto* follow = window.findChild<QAction*>(QStringLiteral("menuFollowFile"));
        if (!follow->isChecked()) follow->trigger();
        QApplication::processEvents();
        auto* follower = window.findChild<varnotile::FileFollower*>();
        qint64 read = 0, events = 0;
        for (auto _ : state) {
            state.PauseTiming();
            append(path, line(next++));
            state.ResumeTiming();
            QElapsedTimer part;
            part.start();
            follower->readNow();
            read += part.nsecsElapsed();
            part.restart();
            QApplication::processEvents();
            events += part.nsecsElapsed();
        }
        const double n = static_cast<double>(state.iterations()) * 1e6;
        state.counters["read_ms"] = static_cast<double>(read) / n;
        state.counters["events_ms"] = static_cast<double>(events) / n;
        state.counters["rows"] = window.dataSet().Layout.DataRowCount;
        follow->trigger(); // the settings file stays off
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_FollowLongLines)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_FollowStream(benchmark::State& state) {
    const char* env = std::getenv("VARNOTILE_FOLLOW_SECONDS");
    const int seconds = env && std::atoi(env) > 0 ? std::atoi(env) : 5;
    FollowedCopy copy;
    // The event loop's hold-ups: the gaps between the ticks of a 5 ms timer, less 5 ms.
    QElapsedTimer clock;
    qint64 lastTick = 0, longest = 0, over50 = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - lastTick - 5);
        if (now - lastTick - 5 > 50) ++over50; // the first tick's gap counts too: the first read comes then
        lastTick = now;
    });
    // The event loop as the program runs it (sleeping while nothing happens).
    auto runUntil = [](const std::function<bool()>& done, int ms) {
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (done()) loop.quit();
        });
        check.start(20);
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    auto runFor = [&](int ms) { runUntil([] { return false; }, ms); };
    for (auto _ : state) {
        const double idleStart = cpuSeconds();
        runFor(seconds * 1000);
        state.counters["idle_cpu_percent"] = 100 * (cpuSeconds() - idleStart) / seconds;

        std::atomic<bool> done{false};
        std::thread writer([&] {
            for (int i = 0; i < seconds * 100; ++i) {
                append(copy.path, lines(copy.next, 10));
                copy.next += 10;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            done = true;
        });
        const double start = cpuSeconds();
        clock.start();
        lastTick = 0;
        longest = over50 = 0;
        ticker.start(5);
        runUntil([&] { return done.load(); }, (seconds + 60) * 1000);
        ticker.stop();
        writer.join();
        state.counters["cpu_percent"] = 100 * (cpuSeconds() - start) / (static_cast<double>(clock.elapsed()) / 1000);
        state.counters["longest_stall_ms"] = static_cast<double>(longest);
        state.counters["stalls_over_50ms"] = static_cast<double>(over50);
    }
    runFor(300);
    state.counters["rows"] = copy.window.dataSet().Layout.DataRowCount;
}
BENCHMARK(BM_FollowStream)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

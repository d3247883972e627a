// Settings reads: every key of 64 machine records through the store, against
// QSettings reading the same file. And the whole program started for a
// one-line command-line send with a 50 MB settings file, against a 50 KB one.
#include "BenchSupport.h"
#include "IniStorage.h"
#include "IniStore.h"
#include "MachineRecord.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// 64 complete machine records in a fresh program folder.
struct Fixture {
    QTemporaryDir dir;
    QStringList sections;
    QStringList keys;
    Fixture() {
        bench::useProgramFolder(dir.path());
        keys = MachineRecord::recordKeys();
        IniBatch batch;
        for (int m = 1; m <= kMachineCount; ++m) {
            sections << MachineRecord::sectionName(m);
            MachineRecord::writeDefaults(sections.last());
        }
    }
    qint64 reads() const { return qint64(sections.size()) * keys.size(); }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// Every key of every machine, or the first tenth of those reads.
void storeReads(benchmark::State& state, qint64 count) {
    Fixture& f = fixture();
    for (auto _ : state) {
        qint64 n = 0;
        for (const QString& section : f.sections)
            for (const QString& k : f.keys)
                if (n++ < count)
                    benchmark::DoNotOptimize(readIni(section, k, QString()));
    }
    state.counters["reads"] = double(count);
}

void qsettingsReads(benchmark::State& state, qint64 count) {
    Fixture& f = fixture();
    QSettings settings(gIniPath, QSettings::IniFormat);
    QStringList paths;
    for (const QString& section : f.sections)
        for (const QString& k : f.keys)
            if (paths.size() < count)
                paths << section + QLatin1Char('/') + k;
    for (auto _ : state)
        for (const QString& p : paths)
            benchmark::DoNotOptimize(settings.value(p, QString()).toString());
    state.counters["reads"] = double(count);
}

void BM_StoreReads(benchmark::State& state) { storeReads(state, fixture().reads()); }
void BM_QSettingsReads(benchmark::State& state) { qsettingsReads(state, fixture().reads()); }
void BM_StoreReadsTenth(benchmark::State& state) { storeReads(state, fixture().reads() / 10); }
void BM_QSettingsReadsTenth(benchmark::State& state) { qsettingsReads(state, fixture().reads() / 10); }

BENCHMARK(BM_StoreReads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QSettingsReads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreReadsTenth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QSettingsReadsTenth)->Unit(benchmark::kMillisecond);

// What reading the file the first time adds: the store's parsed copy, QSettings's.
qint64 storeLoadAdds() {
    IniStore::instance().clearCache();
    return bench::peakAdded([] { benchmark::DoNotOptimize(readIni(QStringLiteral("Machine64"), QStringLiteral("Alias"))); });
}
qint64 qsettingsLoadAdds() {
    return bench::peakAdded([] {
        QSettings settings(gIniPath, QSettings::IniFormat);
        benchmark::DoNotOptimize(settings.value(QStringLiteral("Machine64/Alias")).toString());
    });
}

// A settings file of at least `bytes`: the 64 records, then caption sections
// of the kind a translated shop keeps, machine 1 on the pseudo-terminal.
QByteArray settingsFile(qint64 bytes, const QString& pty) {
    QByteArray out = "[Settings]\nRunBefore=Yes\nUpdateDataSendMode=1-Jan-24\n[Ports]\nCom1=" + pty.toLocal8Bit() +
                     "\n";
    for (int m = 1; m <= kMachineCount; ++m) {
        out += "[Machine" + QByteArray::number(m) + "]\nAlias=Machine" + QByteArray::number(m) + "\n";
        for (const QString& k : MachineRecord::recordKeys())
            if (k != QLatin1String("Alias") && (m != 1 || (k != "KeepAlive" && k != "WaitAfterSending")))
                out += k.toLatin1() + '=' + MachineRecord::defaultValue(MachineRecord::sectionName(m), k).toUtf8() + '\n';
        if (m == 1) // the shortest after-send wait: one second
            out += "KeepAlive=0\nWaitAfterSending=0\n";
    }
    for (int form = 0; out.size() < bytes; ++form) {
        out += "[Language-frmForm" + QByteArray::number(form) + "]\n";
        for (int c = 0; c < 40; ++c)
            out += "Label" + QByteArray::number(c) + "=Caption number " + QByteArray::number(c) + " of form " +
                   QByteArray::number(form) + "\n";
    }
    return out;
}

struct Run {
    double seconds = 0;
    long peakKb = 0;
    int status = -1;
};

// The program itself, from exec to exit, with its peak memory.
Run sendOneLine(const QString& home, const QString& program) {
    Run r;
    const QByteArray env = "FEEDLINE_HOME=" + QFile::encodeName(home);
    const QByteArray arg = "?1?S?" + QFile::encodeName(program);
    r.seconds = bench::seconds([&] {
        const pid_t pid = fork();
        if (pid == 0) {
            putenv(const_cast<char*>(env.constData()));
            putenv(const_cast<char*>("QT_QPA_PLATFORM=offscreen"));
            execl(FEEDLINE_EXECUTABLE, FEEDLINE_EXECUTABLE, arg.constData(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        r.peakKb = usage.ru_maxrss;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    });
    return r;
}

void startWithLargeSettings(qint64 largeBytes) {
    bench::DrainedPty pty;
    const qint64 sizes[] = {50 * 1024, largeBytes / 10, largeBytes};
    Run best[3];
    for (int i = 0; i < 3; ++i) {
        QTemporaryDir home;
        const QString program = home.filePath(QStringLiteral("one.nc"));
        bench::writeFile(program, "G01 X1\n");
        bench::writeFile(home.filePath(QStringLiteral("feedline-settings.ini")), settingsFile(sizes[i], pty.slave()));
        for (int round = 0; round < bench::rounds(3); ++round) {
            const Run r = sendOneLine(home.path(), program);
            if (r.status != 0)
                std::printf("  the send with %lld bytes of settings ended with status %d\n",
                            static_cast<long long>(sizes[i]), r.status);
            if (round == 0 || r.seconds < best[i].seconds)
                best[i] = r;
        }
    }
    // Each time holds the one second the machine waits after a send.
    char what[128];
    std::snprintf(what, sizeof what, "start and one-line send with %.0f MB of settings, against 50 KB",
                  sizes[2] / 1048576.0);
    bench::printRow(what, {"ours", best[2].seconds, best[1].seconds, qint64(best[2].peakKb) * 1024},
                    {"50 KB", best[0].seconds, 0, qint64(best[0].peakKb) * 1024}, 0, "under 3 s, under 400 MB");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // "--small": a quick run that only shows that everything still works.
    bool small = bench::small();
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]) == "--small")
            small = true;
    // A small run measures each read loop for a moment, not half a second.
    std::vector<char*> args(argv, argv + argc);
    char shortRun[] = "--benchmark_min_time=0.01";
    if (small)
        args.push_back(shortRun);
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    fixture();
    const qint64 storeAdds = storeLoadAdds(), qsettingsAdds = qsettingsLoadAdds();
    bench::TimesReporter times;
    benchmark::RunSpecifiedBenchmarks(&times);
    benchmark::Shutdown();
    const auto seconds = [&](const char* row) { return times.time(row) / 1000; }; // the rows are in ms
    char what[128];
    std::snprintf(what, sizeof what, "%lld settings reads over %d machines, mean; peak: the file's first read",
                  static_cast<long long>(fixture().reads()), kMachineCount);
    bench::printRow(what, {"ours", seconds("BM_StoreReads"), seconds("BM_StoreReadsTenth"), storeAdds},
                    {"QSettings", seconds("BM_QSettingsReads"), seconds("BM_QSettingsReadsTenth"), qsettingsAdds}, 0,
                    "ours <= 1 ms");
    startWithLargeSettings(small ? 5 * 1048576 : 50 * 1048576);
    return 0;
}

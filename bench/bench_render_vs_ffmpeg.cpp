// The render against the ffmpeg command line, in one run (ratios only mean something within
// one run on a machine that others share):
//   offline  1080p H.264 with AAC sound to PAL DV with sound: "quintape --render" against
//            "ffmpeg -af aresample=async=1 -target pal-dv", alternating, several times (the
//            sources joined by ffmpeg's concat demuxer, which needs first_pts=0 as well);
//   live     "quintape --render --real-time" (paced like a device) over the same sources:
//            processor time of the whole process against decoding the same sources alone
//            (ffmpeg, one decoder thread), and the late and repeated frames it reports;
//   memory   peak resident memory of "quintape --render" over a 1,000-item playlist of
//            pictures and clips.
// The 1080p sources (5 to 30 Mb/s, 10 s each) are made once with ffmpeg into the bench media
// folder.
//
//   bench-render-vs-ffmpeg [--runs N] [--live-minutes M] [--busy] [--only offline|live|memory]
//     --runs N          offline runs of each (default 3)
//     --live-minutes M  play the sources over and over for M minutes (default: once, 30 s)
//     --busy            keep a busy process running beside the live playout

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct ChildRun {
    bool ok = false;
    double wall_s = 0.0;
    double cpu_s = 0.0;
    long peak_kB = 0;
};

std::vector<std::string> toArgs(const QStringList& command) {
    std::vector<std::string> args;
    for (const QString& part : command) {
        args.push_back(part.toStdString());
    }
    return args;
}

pid_t spawn(const QStringList& command, const QString& errorFile) {
    std::vector<std::string> args = toArgs(command);
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string error =
        errorFile.isEmpty() ? std::string("/dev/null") : errorFile.toStdString();
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, error.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        return -1;
    }
    return pid;
}

// Runs a program to its end; wall and processor time and peak memory of the child. Its
// standard error goes to `errorFile` when given.
ChildRun runChild(const QStringList& command, const QString& errorFile = {}) {
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = spawn(command, errorFile);
    ChildRun run;
    if (pid < 0) {
        return run;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) {
        return run;
    }
    run.wall_s = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const auto seconds = [](const timeval& tv) {
        return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6;
    };
    run.cpu_s = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.peak_kB = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

struct Source {
    const char* name;
    int bitRate_Mbps;
    int noise;
};

// 1080p25 H.264 with AAC sound, from plain to noisy, 10 s each.
constexpr Source kSources[] = {
    {"hd_6mbps.mp4", 6, 2}, {"hd_15mbps.mp4", 15, 6}, {"hd_30mbps.mp4", 30, 12}};

QStringList makeSources(const QDir& folder, QTextStream& out) {
    folder.mkpath(QStringLiteral("."));
    QStringList paths;
    for (const Source& source : kSources) {
        const QString path = folder.filePath(QString::fromLatin1(source.name));
        if (!QFile::exists(path)) {
            out << "making " << path << "\n";
            out.flush();
            const QString rate = QStringLiteral("%1M").arg(source.bitRate_Mbps);
            const ChildRun made =
                runChild({"ffmpeg",
                          "-y",
                          "-v",
                          "error",
                          "-f",
                          "lavfi",
                          "-i",
                          QStringLiteral("testsrc2=size=1920x1080:rate=25,noise=alls=%1:allf=t")
                              .arg(source.noise),
                          "-f",
                          "lavfi",
                          "-i",
                          "sine=frequency=440:sample_rate=48000:beep_factor=4",
                          "-t",
                          "10",
                          "-c:v",
                          "libx264",
                          "-preset",
                          "veryfast",
                          "-b:v",
                          rate,
                          "-maxrate",
                          rate,
                          "-bufsize",
                          rate,
                          "-pix_fmt",
                          "yuv420p",
                          "-c:a",
                          "aac",
                          "-b:a",
                          "192k",
                          "-ac",
                          "2",
                          path});
            if (!made.ok) {
                out << "cannot make " << path << " (ffmpeg with libx264 is needed)\n";
                return {};
            }
        }
        paths << path;
    }
    return paths;
}

void offline(const QString& quintape, const QStringList& sources, int runs,
             const QTemporaryDir& dir, QTextStream& out) {
    QFile list(dir.filePath(QStringLiteral("list.txt")));
    if (!list.open(QIODevice::WriteOnly)) {
        return;
    }
    for (const QString& source : sources) {
        list.write(QStringLiteral("file '%1'\n").arg(source).toUtf8());
    }
    list.close();
    const QStringList ours = QStringList{quintape, "--render", dir.filePath("ours.dv")} + sources;
    const QStringList reference{"ffmpeg",        "-y",     "-v",
                                "error",         "-f",     "concat",
                                "-safe",         "0",      "-i",
                                list.fileName(), "-af",    "aresample=async=1:first_pts=0",
                                "-target",       "pal-dv", dir.filePath("ffmpeg.dv")};
    out << QStringLiteral("offline: %1 s of 1080p H.264 + AAC -> PAL DV with sound, %2 runs each\n")
               .arg(10 * sources.size())
               .arg(runs);
    std::vector<double> oursWall, oursCpu, refWall, refCpu, ratios;
    for (int run = 0; run < runs; ++run) {
        // Alternate which goes first, so that a change in the machine's load falls on both.
        ChildRun a, b;
        if (run % 2 == 0) {
            a = runChild(ours);
            b = runChild(reference);
        } else {
            b = runChild(reference);
            a = runChild(ours);
        }
        if (!a.ok || !b.ok) {
            out << "  a render failed (quintape " << a.ok << ", ffmpeg " << b.ok << ")\n";
            return;
        }
        oursWall.push_back(a.wall_s);
        oursCpu.push_back(a.cpu_s);
        refWall.push_back(b.wall_s);
        refCpu.push_back(b.cpu_s);
        ratios.push_back(b.wall_s / a.wall_s);
        out << QStringLiteral("  run %1: quintape %2 s (cpu %3 s), ffmpeg %4 s (cpu %5 s), "
                              "ratio %6\n")
                   .arg(run + 1)
                   .arg(a.wall_s, 0, 'f', 2)
                   .arg(a.cpu_s, 0, 'f', 2)
                   .arg(b.wall_s, 0, 'f', 2)
                   .arg(b.cpu_s, 0, 'f', 2)
                   .arg(ratios.back(), 0, 'f', 2);
        out.flush();
    }
    out << QStringLiteral("  median: quintape %1 s wall %2 s cpu, ffmpeg %3 s wall %4 s cpu\n")
               .arg(median(oursWall), 0, 'f', 2)
               .arg(median(oursCpu), 0, 'f', 2)
               .arg(median(refWall), 0, 'f', 2)
               .arg(median(refCpu), 0, 'f', 2);
    out << QStringLiteral("  throughput ratio quintape/ffmpeg: %1 (median of the runs' ratios), "
                          "processor time ratio ffmpeg/quintape: %2\n")
               .arg(median(ratios), 0, 'f', 2)
               .arg(median(refCpu) / median(oursCpu), 0, 'f', 2);
}

void live(const QString& quintape, const QStringList& sources, int minutes, bool busy,
          const QTemporaryDir& dir, QTextStream& out) {
    QStringList playlist = sources;
    const int rounds =
        minutes > 0 ? std::max(1, minutes * 60 / (10 * static_cast<int>(sources.size()))) : 1;
    for (int i = 1; i < rounds; ++i) {
        playlist += sources;
    }
    // Decoding alone: every source once, with one decoder thread as the live engine decodes,
    // and with ffmpeg's own choice of threads as a player would.
    double decode_cpu_s = 0.0;
    double decodeThreaded_cpu_s = 0.0;
    for (const QString& source : sources) {
        decode_cpu_s +=
            runChild({"ffmpeg", "-v", "error", "-threads", "1", "-i", source, "-f", "null", "-"})
                .cpu_s;
        decodeThreaded_cpu_s +=
            runChild({"ffmpeg", "-v", "error", "-i", source, "-f", "null", "-"}).cpu_s;
    }
    decode_cpu_s *= rounds;
    decodeThreaded_cpu_s *= rounds;

    pid_t competitor = -1;
    if (busy) {
        competitor = spawn({"sh", "-c", "while :; do :; done"}, {});
    }
    const QString log = dir.filePath(QStringLiteral("live.log"));
    const ChildRun played = runChild(
        QStringList{quintape, "--render", dir.filePath("live.dv"), "--real-time"} + playlist, log);
    if (competitor > 0) {
        kill(competitor, SIGKILL);
        waitpid(competitor, nullptr, 0);
    }
    QFile logFile(log);
    logFile.open(QIODevice::ReadOnly);
    const QString text = QString::fromUtf8(logFile.readAll());
    const auto counts =
        QRegularExpression(QStringLiteral("late frames: (\\d+), repeated frames: (\\d+)"))
            .match(text);
    const double media_s = 10.0 * playlist.size();
    out << QStringLiteral("live: %1 s of 1080p H.264 + AAC played at 1x%2\n")
               .arg(media_s, 0, 'f', 0)
               .arg(busy ? QStringLiteral(" beside a busy process") : QString());
    if (!played.ok) {
        out << "  the real-time render failed\n";
        return;
    }
    out << QStringLiteral("  quintape: %1 s wall, %2 s cpu = %3 % of one core\n")
               .arg(played.wall_s, 0, 'f', 1)
               .arg(played.cpu_s, 0, 'f', 2)
               .arg(100.0 * played.cpu_s / played.wall_s, 0, 'f', 1);
    out << QStringLiteral("  decoding alone, one thread: %1 s cpu = %2 % of one core over the "
                          "same time; ratio playout/decoding %3\n")
               .arg(decode_cpu_s, 0, 'f', 2)
               .arg(100.0 * decode_cpu_s / media_s, 0, 'f', 1)
               .arg(played.cpu_s / decode_cpu_s, 0, 'f', 2);
    out << QStringLiteral("  decoding alone, ffmpeg's threads: %1 s cpu = %2 % of one core; "
                          "ratio playout/decoding %3\n")
               .arg(decodeThreaded_cpu_s, 0, 'f', 2)
               .arg(100.0 * decodeThreaded_cpu_s / media_s, 0, 'f', 1)
               .arg(played.cpu_s / decodeThreaded_cpu_s, 0, 'f', 2);
    out << QStringLiteral("  late frames: %1, repeated frames: %2\n")
               .arg(counts.hasMatch() ? counts.captured(1) : QStringLiteral("?"))
               .arg(counts.hasMatch() ? counts.captured(2) : QStringLiteral("?"));
}

void memory(const QString& quintape, const QTemporaryDir& dir, QTextStream& out) {
    const QDir media(QStringLiteral(QUINTAPE_TEST_MEDIA_DIR));
    const QStringList pictures{"picture.jpg",
                               "picture.png",
                               "picture.bmp",
                               "wide.jpg",
                               "tall.png",
                               "holiday.jpg",
                               "real_world/portrait_exif.jpg"};
    const QStringList clips{"clip_576p.avi", "clip_1080p.mp4", "clip_h264_aac.mp4",
                            "clip_dv_pal.dv"};
    QStringList items;
    for (int i = 0; i < 1000; ++i) {
        items << (i % 10 == 9 ? media.filePath(clips[(i / 10) % clips.size()])
                              : media.filePath(pictures[i % pictures.size()]));
    }
    const ChildRun run = runChild(
        QStringList{quintape, "--render", dir.filePath("list.dv"), "--picture-time", "0.1"} +
        items);
    QFile::remove(dir.filePath("list.dv"));
    out << QStringLiteral("memory: 1,000-item playlist (900 pictures, 100 clips): peak %1 MB, "
                          "%2 s%3\n")
               .arg(static_cast<double>(run.peak_kB) / 1024.0, 0, 'f', 1)
               .arg(run.wall_s, 0, 'f', 1)
               .arg(run.ok ? QString() : QStringLiteral(" (the render failed)"));
}

} // namespace

int main(int argc, char** argv) {
    int runs = 3;
    int minutes = 0;
    bool busy = false;
    QString only;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--live-minutes" && i + 1 < argc) {
            minutes = std::max(0, std::atoi(argv[++i]));
        } else if (arg == "--busy") {
            busy = true;
        } else if (arg == "--only" && i + 1 < argc) {
            only = QString::fromLatin1(argv[++i]);
        } else {
            std::fprintf(stderr,
                         "usage: %s [--runs N] [--live-minutes M] [--busy] "
                         "[--only offline|live|memory]\n",
                         argv[0]);
            return 2;
        }
    }
    QTextStream out(stdout);
    const QString quintape = QStringLiteral(QUINTAPE_PATH);
    const QStringList sources = makeSources(QDir(QStringLiteral(QUINTAPE_BENCH_MEDIA_DIR)), out);
    if (sources.isEmpty()) {
        return 1;
    }
    QTemporaryDir dir;
    out << "(2 cores shared with other work: compare the figures within this run only)\n";
    if (only.isEmpty() || only == QLatin1String("offline")) {
        offline(quintape, sources, runs, dir, out);
        out.flush();
    }
    if (only.isEmpty() || only == QLatin1String("live")) {
        live(quintape, sources, minutes, busy, dir, out);
        out.flush();
    }
    if (only.isEmpty() || only == QLatin1String("memory")) {
        memory(quintape, dir, out);
    }
    return 0;
}

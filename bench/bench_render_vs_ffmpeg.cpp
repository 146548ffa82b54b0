// Renders the same 1080p H.264 sources with "quintape --render" and with "ffmpeg -target
// pal-dv" in the same run and prints the throughput ratio; then measures the processor time of
// a render paced in real time, as playing out to a device would be.
//
//   bench-render-vs-ffmpeg [--minute]   (--minute: a minute of real-time render, else 4 s)

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct ChildRun {
    bool ok = false;
    double wall_s = 0.0;
    double cpu_s = 0.0;
};

// Runs a program to its end with standard error kept quiet; wall and processor time of the child.
ChildRun runChild(const QStringList& command) {
    std::vector<std::string> args;
    for (const QString& part : command) {
        args.push_back(part.toStdString());
    }
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ChildRun run;
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
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
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// `count` copies of a test clip in `dir`, so that every source is opened and decoded anew.
QStringList copies(const QTemporaryDir& dir, const QString& clip, int count) {
    QStringList paths;
    const QString source = QDir(QStringLiteral(QUINTAPE_TEST_MEDIA_DIR)).filePath(clip);
    for (int i = 0; i < count; ++i) {
        const QString path = dir.filePath(QStringLiteral("copy%1_%2").arg(i).arg(clip));
        QFile::copy(source, path);
        paths << path;
    }
    return paths;
}

} // namespace

int main(int argc, char** argv) {
    const bool minute = argc > 1 && std::string(argv[1]) == "--minute";
    const QString quintape = QStringLiteral(QUINTAPE_PATH);
    QTemporaryDir dir;
    QTextStream out(stdout);

    // Throughput: six seconds of 1080p H.264 (six copies of a one-second clip) to PAL DV.
    const QStringList sources = copies(dir, QStringLiteral("clip_1080p.mp4"), 6);
    QFile list(dir.filePath(QStringLiteral("list.txt")));
    if (!list.open(QIODevice::WriteOnly)) {
        return 1;
    }
    for (const QString& source : sources) {
        list.write(QStringLiteral("file '%1'\n").arg(source).toUtf8());
    }
    list.close();
    const ChildRun ours = runChild(QStringList{quintape, QStringLiteral("--render"),
                                               dir.filePath(QStringLiteral("ours.dv")),
                                               QStringLiteral("--no-audio")} +
                                   sources);
    const ChildRun reference =
        runChild({QStringLiteral("ffmpeg"), QStringLiteral("-y"), QStringLiteral("-v"),
                  QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("concat"),
                  QStringLiteral("-safe"), QStringLiteral("0"), QStringLiteral("-i"),
                  list.fileName(), QStringLiteral("-an"), QStringLiteral("-target"),
                  QStringLiteral("pal-dv"), dir.filePath(QStringLiteral("ffmpeg.dv"))});
    if (!ours.ok || !reference.ok) {
        out << "a render failed (quintape " << ours.ok << ", ffmpeg " << reference.ok << ")\n";
        return 1;
    }
    out << QStringLiteral("1080p H.264 -> PAL DV, %1 s of media\n").arg(sources.size());
    out << QStringLiteral("  quintape --render  %1 s wall  %2 s cpu\n")
               .arg(ours.wall_s, 0, 'f', 2)
               .arg(ours.cpu_s, 0, 'f', 2);
    out << QStringLiteral("  ffmpeg pal-dv      %1 s wall  %2 s cpu\n")
               .arg(reference.wall_s, 0, 'f', 2)
               .arg(reference.cpu_s, 0, 'f', 2);
    out << QStringLiteral("  throughput ratio quintape/ffmpeg: %1\n")
               .arg(reference.wall_s / ours.wall_s, 0, 'f', 2);

    // Real time: two-second clips with sound, paced by the clock.
    const int clipCount = minute ? 30 : 2;
    const QStringList paced = copies(dir, QStringLiteral("clip_h264_aac.mp4"), clipCount);
    const ChildRun realTime = runChild(QStringList{quintape, QStringLiteral("--render"),
                                                   dir.filePath(QStringLiteral("paced.dv")),
                                                   QStringLiteral("--real-time")} +
                                       paced);
    if (!realTime.ok) {
        out << "the real-time render failed\n";
        return 1;
    }
    const double media_s = 2.0 * clipCount;
    out << QStringLiteral("real-time render of %1 s: %2 s wall, %3 s cpu (%4 % of one core)\n")
               .arg(media_s, 0, 'f', 0)
               .arg(realTime.wall_s, 0, 'f', 2)
               .arg(realTime.cpu_s, 0, 'f', 2)
               .arg(100.0 * realTime.cpu_s / realTime.wall_s, 0, 'f', 1);
    return 0;
}

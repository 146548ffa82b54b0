#include "app/probe_command.h"

#include "platform/streaming/media_type.h"
#include "playlist/check_list.h"
#include "playlist/main_play_list.h"
#include "playlist/playlist_file.h"

namespace app {

QString kindLegend(const render::TFileInfo& info) {
    // The probe's single pictures are not retagged yet; they read as the pictures they are.
    if (info.Kind == render::fkPicture) {
        render::TFileInfo picture;
        picture.Kind = render::fkPictureLast;
        return playlist::KindLegend(picture);
    }
    const QString legend = playlist::KindLegend(info);
    return legend.isEmpty() ? QStringLiteral("Unknown") : legend;
}

QString probeLine(const render::TFileInfo& info) {
    const double seconds =
        static_cast<double>(info.Duration) / static_cast<double>(platform::UNITS);
    QString line = QStringLiteral("%1  %2 s  video %3  audio %4  %5")
                       .arg(kindLegend(info).trimmed(), -20)
                       .arg(seconds, 10, 'f', 3)
                       .arg(info.VideoStreamCount)
                       .arg(info.AudioStreamCount)
                       .arg(info.FileName);
    if (!info.MediaType.isEmpty()) {
        line += QStringLiteral("  [%1]").arg(platform::describeMediaType(info.MediaType));
    }
    return line;
}

int runProbeCommand(const QStringList& paths, const render::ProbeSettings& settings,
                    QTextStream& out, QTextStream& err) {
    if (paths.isEmpty()) {
        err << "quintape: --probe needs at least one file or playlist path\n";
        err.flush();
        return 2;
    }
    playlist::CheckList items;
    playlist::AddFiles(paths, items);
    for (int i = 0; i < items.count(); ++i) {
        if (!items.checked(i)) {
            out << QStringLiteral("%1  %2\n")
                       .arg(QStringLiteral("(unchecked)"), -20)
                       .arg(items.text(i));
            continue;
        }
        const auto info = render::ProbeFile(items.text(i), settings);
        out << probeLine(*info) << '\n';
    }
    out.flush();
    return 0;
}

} // namespace app

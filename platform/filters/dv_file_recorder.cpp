#include "platform/filters/dv_file_recorder.h"

#include "platform/filters/dv_device_classes.h"
#include "platform/filters/dv_file_sink.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

QString defaultDvRecordingPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (folder.isEmpty()) {
        folder = QDir::homePath();
    }
    const QString name =
        QStringLiteral("Quintape %1.dv")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh-mm-ss")));
    return QDir(folder).filePath(name);
}

DvFileRecorderFilter::DvFileRecorderFilter()
    : DvDeviceRenderer(QStringLiteral("DV File Recorder"), CLSID_DvFileRecorder),
      path_(defaultDvRecordingPath()) {}

HRESULT DvFileRecorderFilter::SetFileName(const QString& path) {
    if (path.trimmed().isEmpty()) {
        return E_INVALIDARG;
    }
    const std::lock_guard lock(path_mutex_);
    path_ = path;
    path_chosen_ = true;
    return S_OK;
}

HRESULT DvFileRecorderFilter::GetFileName(QString* path) {
    if (path == nullptr) {
        return E_POINTER;
    }
    const std::lock_guard lock(path_mutex_);
    *path = path_;
    return S_OK;
}

HRESULT DvFileRecorderFilter::GetPages(CAUUID* pages) {
    if (pages == nullptr) {
        return E_POINTER;
    }
    pages->elems = {CLSID_DvFileRecorderPropertyPage};
    return S_OK;
}

std::shared_ptr<DvSink> DvFileRecorderFilter::openSink(DvStandard standard, QString* error) {
    QString path;
    {
        // Without a chosen path every run records into a new dated file.
        const std::lock_guard lock(path_mutex_);
        if (!path_chosen_) {
            path_ = defaultDvRecordingPath();
        }
        path = path_;
    }
    // The movies folder of a fresh account may not exist yet.
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("The folder \"%1\" cannot be created.")
                     .arg(QDir::toNativeSeparators(folder));
        return nullptr;
    }
    // The renderer presents each frame on the graph's clock (or at once without one), so the
    // sink itself need not wait.
    DvFileSinkOptions options;
    options.path = path;
    options.standard = standard;
    return DvFileSink::create(options, error);
}

void DvFileRecorderFilter::closeSink(DvSink& sink) {
    QString error;
    if (!static_cast<DvFileSink&>(sink).close(&error)) {
        setLastError(error);
    }
}

} // namespace platform

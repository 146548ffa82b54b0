#include "platform/filters/dv_file_recorder_page.h"

#include "platform/filters/dv_device_pages.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace platform {

DvFileRecorderPage::DvFileRecorderPage(std::shared_ptr<IDvFileRecorder> recorder,
                                       std::shared_ptr<IDvOutputStatistics> statistics,
                                       QWidget* parent)
    : QWidget(parent), recorder_(std::move(recorder)), path_edit_(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("DV File Recorder"));
    path_edit_->setObjectName(QStringLiteral("edFileName"));
    QString path;
    if (recorder_) {
        recorder_->GetFileName(&path);
    }
    path_edit_->setText(path);
    auto* browse_button = new QPushButton(QStringLiteral("Browse..."), this);
    browse_button->setObjectName(QStringLiteral("buBrowse"));
    connect(browse_button, &QPushButton::clicked, this, &DvFileRecorderPage::browse);
    auto* path_row = new QHBoxLayout();
    path_row->addWidget(path_edit_, 1);
    path_row->addWidget(browse_button);
    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("File:"), path_row);
    if (statistics) {
        new DvOutputStatisticsRows(layout, std::move(statistics));
    }
}

bool DvFileRecorderPage::apply() {
    return recorder_ && SUCCEEDED(recorder_->SetFileName(path_edit_->text()));
}

void DvFileRecorderPage::browse() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("DV File Recorder"), path_edit_->text(),
                                     QStringLiteral("DV files (*.dv);;All files (*)"));
    if (!path.isEmpty()) {
        path_edit_->setText(path);
    }
}

} // namespace platform

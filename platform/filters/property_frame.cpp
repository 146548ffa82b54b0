#include "platform/filters/property_frame.h"

#include "platform/system/query.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QMetaObject>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace platform {

void PropertyPageRegistry::add(const GUID& pageClass, PropertyPageFactory factory) {
    const std::lock_guard lock(mutex_);
    factories_[pageClass] = std::move(factory);
}

QWidget* PropertyPageRegistry::create(const GUID& pageClass,
                                      const std::shared_ptr<IBaseFilter>& object,
                                      QWidget* parent) const {
    PropertyPageFactory factory;
    {
        const std::lock_guard lock(mutex_);
        const auto it = factories_.find(pageClass);
        if (it == factories_.end()) {
            return nullptr;
        }
        factory = it->second;
    }
    return factory ? factory(object, parent) : nullptr;
}

PropertyPageRegistry& platformPropertyPages() {
    static PropertyPageRegistry registry;
    return registry;
}

namespace {

void applyPages(const QTabWidget& tabs) {
    for (int i = 0; i < tabs.count(); ++i) {
        QWidget* page = tabs.widget(i);
        if (page->metaObject()->indexOfMethod("apply()") >= 0) {
            QMetaObject::invokeMethod(page, "apply", Qt::DirectConnection);
        }
    }
}

} // namespace

std::unique_ptr<QDialog> CreatePropertyFrame(QWidget* parent, const QString& caption,
                                             const std::shared_ptr<IBaseFilter>& object,
                                             const PropertyPageRegistry& pages) {
    const auto specify = query<ISpecifyPropertyPages>(object);
    CAUUID pageClasses;
    if (!specify || FAILED(specify->GetPages(&pageClasses)) || pageClasses.elems.empty()) {
        return nullptr;
    }
    auto frame = std::make_unique<QDialog>(parent);
    frame->setWindowTitle(caption);
    frame->setModal(true);
    auto* layout = new QVBoxLayout(frame.get());
    auto* tabs = new QTabWidget(frame.get());
    tabs->setObjectName(QStringLiteral("tabPages"));
    for (const GUID& pageClass : pageClasses.elems) {
        if (QWidget* page = pages.create(pageClass, object, tabs)) {
            const QString title = page->windowTitle().isEmpty()
                                      ? QStringLiteral("Page %1").arg(tabs->count() + 1)
                                      : page->windowTitle();
            tabs->addTab(page, title);
        }
    }
    if (tabs->count() == 0) {
        return nullptr;
    }
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, frame.get());
    QDialog* dialog = frame.get();
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, [dialog, tabs] {
        applyPages(*tabs);
        dialog->accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QObject::connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, dialog,
                     [tabs] { applyPages(*tabs); });
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    return frame;
}

HRESULT OleCreatePropertyFrame(QWidget* parent, const QString& caption,
                               const std::shared_ptr<IBaseFilter>& object) {
    const auto frame = CreatePropertyFrame(parent, caption, object, platformPropertyPages());
    if (!frame) {
        return E_NOINTERFACE;
    }
    frame->exec();
    return S_OK;
}

} // namespace platform

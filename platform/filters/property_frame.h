#pragma once

#include "platform/streaming/filter_interfaces.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <mutex>

class QDialog;
class QWidget;

namespace platform {

// Creates the widget of one property page for an object; the widget is parented to `parent`.
// A page that has a slot or invokable "apply()" is applied when the frame's OK or Apply is
// pressed; its window title is the title of its tab.
using PropertyPageFactory =
    std::function<QWidget*(const std::shared_ptr<IBaseFilter>& object, QWidget* parent)>;

// The property page classes known to the platform, by class identifier.
class PropertyPageRegistry {
public:
    void add(const GUID& pageClass, PropertyPageFactory factory);
    // Null when the class is unknown or its factory gives no widget.
    QWidget* create(const GUID& pageClass, const std::shared_ptr<IBaseFilter>& object,
                    QWidget* parent) const;

private:
    mutable std::mutex mutex_;
    std::map<GUID, PropertyPageFactory> factories_;
};

// The process-wide page registry, the stand-in for the system's registered page classes.
PropertyPageRegistry& platformPropertyPages();

// Builds the modal frame that shows the object's pages (from ISpecifyPropertyPages) as tabs,
// with `caption` as its title, without showing it. Null when the object offers no page that
// can be created.
std::unique_ptr<QDialog> CreatePropertyFrame(QWidget* parent, const QString& caption,
                                             const std::shared_ptr<IBaseFilter>& object,
                                             const PropertyPageRegistry& pages);

// Shows the object's property pages in a modal frame and returns when it is closed;
// E_NOINTERFACE when the object has no pages.
HRESULT OleCreatePropertyFrame(QWidget* parent, const QString& caption,
                               const std::shared_ptr<IBaseFilter>& object);

} // namespace platform

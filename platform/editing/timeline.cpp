#include "platform/editing/timeline.h"

#include "platform/editing/timeline_nodes.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace platform {
namespace {

using namespace timeline_detail;

bool fileExists(const QString& name) {
    const QFileInfo info(name);
    return !name.isEmpty() && info.exists() && !info.isDir();
}

class Timeline final : public IAMTimeline {
public:
    HRESULT CreateEmptyNode(std::shared_ptr<IAMTimelineObj>* node,
                            TIMELINE_MAJOR_TYPE type) override {
        if (node == nullptr) {
            return E_POINTER;
        }
        switch (type) {
        case TIMELINE_MAJOR_TYPE_GROUP:
            *node = std::make_shared<TimelineGroup>();
            return S_OK;
        case TIMELINE_MAJOR_TYPE_TRACK:
            *node = std::make_shared<TimelineTrack>();
            return S_OK;
        case TIMELINE_MAJOR_TYPE_SOURCE:
            *node = std::make_shared<TimelineSource>();
            return S_OK;
        case TIMELINE_MAJOR_TYPE_TRANSITION:
            *node = std::make_shared<TimelineTransition>();
            return S_OK;
        default:
            node->reset();
            return E_NOTIMPL;
        }
    }

    HRESULT AddGroup(const std::shared_ptr<IAMTimelineObj>& group) override {
        auto node = std::dynamic_pointer_cast<TimelineGroup>(group);
        if (!node) {
            return group ? E_NOINTERFACE : E_POINTER;
        }
        if (node->inTimeline) {
            return E_INVALIDARG;
        }
        node->inTimeline = true;
        groups_.push_back(std::move(node));
        return S_OK;
    }

    HRESULT GetGroupCount(long* count) const override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = static_cast<long>(groups_.size());
        return S_OK;
    }

    HRESULT GetGroup(std::shared_ptr<IAMTimelineObj>* group, long index) const override {
        if (group == nullptr) {
            return E_POINTER;
        }
        group->reset();
        if (index < 0 || index >= static_cast<long>(groups_.size())) {
            return E_INVALIDARG;
        }
        *group = groups_[static_cast<std::size_t>(index)];
        return S_OK;
    }

    HRESULT GetDuration(REFERENCE_TIME* duration) const override {
        if (duration == nullptr) {
            return E_POINTER;
        }
        *duration = 0;
        for (const auto& group : groups_) {
            for (const auto& track : group->tracks()) {
                *duration = std::max(*duration, track->latestStop());
            }
        }
        return S_OK;
    }

    HRESULT ValidateSourceNames(long flags, const std::shared_ptr<IMediaLocator>& locator,
                                std::intptr_t /*notifyEventHandle*/) override {
        if ((flags & SFN_VALIDATEF_CHECK) == 0) {
            return S_OK;
        }
        bool allValid = true;
        for (const auto& group : groups_) {
            for (const auto& track : group->tracks()) {
                for (const auto& source : track->sources()) {
                    if (!validateSource(*source, flags, locator)) {
                        allValid = false;
                    }
                }
            }
        }
        return allValid ? S_OK : S_FALSE;
    }

private:
    // True when the source's file exists, or was found and its name replaced.
    static bool validateSource(TimelineSource& source, long flags,
                               const std::shared_ptr<IMediaLocator>& locator) {
        const QString name = source.mediaName();
        if (fileExists(name)) {
            return true;
        }
        QString found;
        if (locator) {
            if (locator->FindMediaFile(name, flags, &found) != S_OK) {
                found.clear();
            }
        } else if ((flags & SFN_VALIDATEF_USELOCAL) != 0 && (flags & SFN_VALIDATEF_NOFIND) == 0 &&
                   !name.isEmpty()) {
            found = QDir::current().absoluteFilePath(QFileInfo(name).fileName());
        }
        if (!fileExists(found) || (flags & SFN_VALIDATEF_REPLACE) == 0) {
            return false;
        }
        source.SetMediaName(found);
        return true;
    }

    std::vector<std::shared_ptr<TimelineGroup>> groups_;
};

} // namespace

std::shared_ptr<IAMTimeline> CreateAMTimeline() {
    return std::make_shared<Timeline>();
}

} // namespace platform

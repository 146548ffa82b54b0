// Runs the main window in a process of its own with the system's real process priority, so
// that the test suite keeps its own, and prints what cbPriority shows as "name=value" lines.
//
//   idle-by-key     Ctrl+F12, then the Adv Options page shown
//   raise-refused   as a user who may not raise the priority: the start-up choice "High", then
//                   Idle by key and High by key, the page shown after each

#include "app/quintape_application.h"
#include "app/tfm_main.h"
#include "platform/streaming/filter_registry.h"
#include "platform/system/process_priority.h"
#include "platform/system/registry.h"
#include "playlist/check_list.h"
#include "playlist/folder_history.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

void print(const char* name, long value) {
    std::printf("%s=%ld\n", name, value);
    std::fflush(stdout);
}

// Without root's capabilities and with a "nice" limit of 0, the priority cannot be raised.
bool becomeNormalUser() {
    if (::geteuid() == 0) {
        constexpr uid_t kNobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            std::fprintf(stderr, "cannot leave root: %s\n", std::strerror(errno));
            return false;
        }
    }
    const rlimit none{0, 0};
    if (::setrlimit(RLIMIT_NICE, &none) != 0) {
        std::fprintf(stderr, "cannot set the nice limit: %s\n", std::strerror(errno));
        return false;
    }
    return true;
}

class Window {
public:
    explicit Window(const QString& registryPath)
        : registry_(registryPath), filters_(std::make_shared<platform::FilterRegistry>()),
          window_(app::TMainWindowServices{
              registry_, filters_, masterList_, history_, {}, {}, {}, {}}) {
        window_.show();
        const QDeadlineTimer deadline(60000);
        while (!window_.FirstActivationDone() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        window_.activateWindow();
        if (!QTest::qWaitForWindowActive(&window_)) {
            std::fprintf(stderr, "the window did not become active\n");
        }
    }
    ~Window() { window_.close(); }

    void press(Qt::Key key) { QTest::keyClick(&window_, key, Qt::ControlModifier); }
    // The Adv Options page, shown anew.
    void showAdvOptions() {
        window_.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
        auto& selector = *window_.findChild<QListWidget*>(QStringLiteral("lbOptions"));
        selector.setCurrentRow(3);
        selector.setCurrentRow(4);
    }
    long priority() const { return list().currentIndex(); }
    // A choice the process does not have, so that reading back shows.
    void setPriorityQuietly(int index) { list().setCurrentIndex(index); }

private:
    QComboBox& list() const { return *window_.findChild<QComboBox*>(QStringLiteral("cbPriority")); }

    platform::Registry registry_;
    std::shared_ptr<platform::FilterRegistry> filters_;
    playlist::CheckList masterList_;
    playlist::FolderHistory history_;
    app::TfmMain window_;
};

int idleByKey(const QString& folder) {
    Window window(folder + QStringLiteral("/registry.ini"));
    window.press(Qt::Key_F12);
    print("chosen", window.priority());
    print("class", platform::GetPriorityClass());
    window.setPriorityQuietly(0);
    window.showAdvOptions();
    print("shown", window.priority());
    return 0;
}

int raiseRefused(const QString& folder) {
    Window window(folder + QStringLiteral("/registry.ini"));
    print("start", window.priority());
    window.showAdvOptions();
    print("shown", window.priority());
    window.press(Qt::Key_F12);
    window.press(Qt::Key_F10);
    print("chosen", window.priority());
    window.showAdvOptions();
    print("again", window.priority());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const char* scenario = argc > 1 ? argv[1] : "";
    const bool refused = std::strcmp(scenario, "raise-refused") == 0;
    if (refused) {
        // From the normal class, whatever the suite runs at.
        platform::SetPriorityClass(platform::NORMAL_PRIORITY_CLASS);
        if (!becomeNormalUser()) {
            return 2;
        }
    }
    app::TQuintapeApplication application(argc, argv);
    application.setErrorReporter(
        [](const QString& text) { std::fprintf(stderr, "error: %s\n", qPrintable(text)); });
    const QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 2;
    }
    if (refused) {
        return raiseRefused(folder.path());
    }
    if (std::strcmp(scenario, "idle-by-key") == 0) {
        return idleByKey(folder.path());
    }
    std::fprintf(stderr, "unknown scenario %s\n", scenario);
    return 2;
}

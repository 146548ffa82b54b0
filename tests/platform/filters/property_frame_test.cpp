#include "platform/filters/property_frame.h"

#include "platform/filters/dv_encoder_filter.h"
#include "platform/filters/dv_file_recorder.h"
#include "platform/filters/dv_mux_filter.h"
#include "platform/filters/property_pages_registration.h"
#include "platform/system/query.h"

#include "platform/streaming/filter_base.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QWidget>

#include <gtest/gtest.h>

namespace platform {
namespace {

constexpr GUID kFormatPage{0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr GUID kPathPage{0x11111111, 0x2222, 0x3333, {8, 7, 6, 5, 4, 3, 2, 1}};
constexpr GUID kUnknownPage{0x99999999, 0x2222, 0x3333, {0, 0, 0, 0, 0, 0, 0, 0}};

class PagedFilter final : public FilterBase, public ISpecifyPropertyPages {
public:
    explicit PagedFilter(std::vector<GUID> pages)
        : FilterBase(QStringLiteral("paged")), pages_(std::move(pages)) {}
    HRESULT GetPages(CAUUID* pages) override {
        pages->elems = pages_;
        return S_OK;
    }

private:
    std::vector<GUID> pages_;
};

class CountingPage final : public QWidget {
    Q_OBJECT
public:
    CountingPage(const QString& title, int* applied, QWidget* parent)
        : QWidget(parent), applied_(applied) {
        setWindowTitle(title);
    }
    Q_INVOKABLE void apply() { ++*applied_; }

private:
    int* applied_;
};

class PropertyFrameTest : public ::testing::Test {
protected:
    PropertyFrameTest() {
        pages.add(kFormatPage, [this](const auto&, QWidget* parent) {
            return new CountingPage(QStringLiteral("Format"), &applied, parent);
        });
        pages.add(kPathPage, [](const auto&, QWidget* parent) { return new QWidget(parent); });
    }
    PropertyPageRegistry pages;
    int applied = 0;
};

TEST_F(PropertyFrameTest, ShowsEachKnownPageAsATabUnderTheCaption) {
    const auto filter =
        std::make_shared<PagedFilter>(std::vector<GUID>{kFormatPage, kUnknownPage, kPathPage});
    const auto frame = CreatePropertyFrame(nullptr, QStringLiteral("dvMux"), filter, pages);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("dvMux"));
    EXPECT_TRUE(frame->isModal());
    const auto* tabs = frame->findChild<QTabWidget*>(QStringLiteral("tabPages"));
    ASSERT_TRUE(tabs);
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Format"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Page 2"));
}

TEST_F(PropertyFrameTest, ApplyAndOkApplyEveryPageCancelDoesNot) {
    const auto filter = std::make_shared<PagedFilter>(std::vector<GUID>{kFormatPage});
    const auto frame = CreatePropertyFrame(nullptr, QStringLiteral("enc"), filter, pages);
    ASSERT_TRUE(frame);
    auto* buttons = frame->findChild<QDialogButtonBox*>();
    ASSERT_TRUE(buttons);
    buttons->button(QDialogButtonBox::Apply)->click();
    EXPECT_EQ(applied, 1);
    buttons->button(QDialogButtonBox::Cancel)->click();
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(frame->result(), QDialog::Rejected);
    buttons->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(applied, 2);
    EXPECT_EQ(frame->result(), QDialog::Accepted);
}

TEST_F(PropertyFrameTest, NoFrameWithoutPages) {
    EXPECT_FALSE(CreatePropertyFrame(nullptr, QStringLiteral("x"),
                                     std::make_shared<PagedFilter>(std::vector<GUID>{}), pages));
    EXPECT_FALSE(CreatePropertyFrame(nullptr, QStringLiteral("x"),
                                     std::make_shared<PagedFilter>(std::vector<GUID>{kUnknownPage}),
                                     pages));
    EXPECT_EQ(OleCreatePropertyFrame(nullptr, QStringLiteral("x"),
                                     std::make_shared<PagedFilter>(std::vector<GUID>{})),
              E_NOINTERFACE);
}

TEST(FilterPropertyPages, OurFiltersShowTheirPagesAndTheRecorderTakesItsPath) {
    PropertyPageRegistry pages;
    RegisterFilterPropertyPages(pages);
    for (const std::shared_ptr<IBaseFilter>& filter :
         {std::shared_ptr<IBaseFilter>(CreateDvVideoEncoderFilter()),
          std::shared_ptr<IBaseFilter>(CreateDvMuxFilter())}) {
        EXPECT_TRUE(CreatePropertyFrame(nullptr, QStringLiteral("f"), filter, pages));
    }
    const auto recorder = std::make_shared<DvFileRecorderFilter>();
    const auto frame = CreatePropertyFrame(nullptr, QStringLiteral("dvCam"), recorder, pages);
    ASSERT_TRUE(frame);
    auto* path = frame->findChild<QLineEdit*>(QStringLiteral("edFileName"));
    ASSERT_TRUE(path);
    path->setText(QStringLiteral("/tmp/quintape-page-test.dv"));
    frame->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    QString stored;
    ASSERT_EQ(recorder->GetFileName(&stored), S_OK);
    EXPECT_EQ(stored, QStringLiteral("/tmp/quintape-page-test.dv"));
}

} // namespace
} // namespace platform

#include "property_frame_test.moc"

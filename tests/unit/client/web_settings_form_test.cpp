// The web settings dialog's state without a browser: which buttons each kind watches, a click
// acted on only after the next page, and bindings released however the dialog closes.
#include "client/web_settings_form.h"

#include <gtest/gtest.h>

namespace brevio::client {
namespace {

using Close = WebSettingsForm::Close;

TEST(WebSettingsForm, EachKindWatchesItsTwoButtonsAndHasItsSize) {
    struct Case {
        int kind;
        const char* ok;
        const char* cancel;
        int browserWidth, browserHeight, dialogWidth, dialogHeight;
    };
    const Case cases[] = {
        {0, "DeleteButton", "cancel", 205, 485, 225, 490},
        {1, "DeleteButton", "cancel", 205, 485, 225, 490},
        {2, "Button1", "Button2", 575, 400, 595, 400},
        {3, "Button2", "Button3", 205, 485, 225, 490},
        {4, "Button2", "Button3", 205, 485, 225, 490},
        {5, "DeleteButton", "cancel", 205, 485, 225, 490},
        {9, "DeleteButton", "cancel", 205, 485, 225, 490},
    };
    for (const Case& c : cases) {
        WebSettingsForm form(c.kind);
        WebSettingsForm::PageStep step = form.PageFinished();
        EXPECT_EQ(step.close, Close::kNone) << c.kind;
        EXPECT_EQ(step.connect, (std::vector<std::string>{c.ok, c.cancel})) << c.kind;
        EXPECT_EQ(form.Layout().browserWidth, c.browserWidth) << c.kind;
        EXPECT_EQ(form.Layout().browserHeight, c.browserHeight) << c.kind;
        EXPECT_EQ(form.Layout().dialogWidth, c.dialogWidth) << c.kind;
        EXPECT_EQ(form.Layout().dialogHeight, c.dialogHeight) << c.kind;
    }
}

TEST(WebSettingsForm, AClickClosesOnlyWhenTheNextPageHasFinished) {
    WebSettingsForm form(3);
    form.PageFinished();
    form.BindingsConnected({0, 1});
    EXPECT_TRUE(form.Connected());

    form.ButtonClicked("Button2");
    EXPECT_EQ(form.ClickedButton(), std::optional<std::string>("Button2"));
    // The click itself closes nothing: the page it submits has not loaded yet.
    WebSettingsForm::PageStep step = form.PageFinished();
    EXPECT_EQ(step.close, Close::kOk);
    EXPECT_TRUE(step.connect.empty());
    EXPECT_FALSE(form.ClickedButton());

    WebSettingsForm cancelled(2);
    cancelled.PageFinished();
    cancelled.ButtonClicked("Button1");
    cancelled.ButtonClicked("Button2");  // the last click counts
    EXPECT_EQ(cancelled.PageFinished().close, Close::kCancel);
}

TEST(WebSettingsForm, ClicksOnOtherElementsAreIgnored) {
    WebSettingsForm form(2);
    form.PageFinished();
    form.ButtonClicked("Button3");  // watched by the radar page, not by my news
    form.ButtonClicked("");
    EXPECT_FALSE(form.ClickedButton());
    // A page that loads without a click adds the next two bindings.
    WebSettingsForm::PageStep step = form.PageFinished();
    EXPECT_EQ(step.close, Close::kNone);
    EXPECT_EQ(form.BindingCount(), 4u);
}

TEST(WebSettingsForm, ConnectedOnlyWhenEveryBindingOfThePageConnected) {
    WebSettingsForm form(5);
    form.PageFinished();
    form.BindingsConnected({7});  // the page lacks "cancel": connecting stopped there
    EXPECT_FALSE(form.Connected());
    // Nothing to disconnect when the dialog never counted as connected, yet all is released.
    EXPECT_TRUE(form.Release().empty());
    EXPECT_EQ(form.BindingCount(), 0u);

    form.PageFinished();
    form.BindingsConnected({});
    EXPECT_FALSE(form.Connected());
    form.PageFinished();
    form.BindingsConnected({3, 4});
    EXPECT_TRUE(form.Connected());
    std::vector<WebSettingsForm::Binding> released = form.Release();
    ASSERT_EQ(released.size(), 2u);
    EXPECT_EQ(released[0].elementId, "DeleteButton");
    EXPECT_EQ(released[0].cookie, 3);
    EXPECT_EQ(released[1].elementId, "cancel");
    EXPECT_EQ(released[1].cookie, 4);
    EXPECT_FALSE(form.Connected());
}

TEST(WebSettingsForm, NoBindingOutlivesItsForm) {
    const std::size_t before = WebSettingsForm::LiveBindings();
    for (int run = 0; run < 50; ++run) {
        WebSettingsForm form(run % 6);
        form.PageFinished();
        form.BindingsConnected({0, 1});
        form.PageFinished();
        EXPECT_EQ(WebSettingsForm::LiveBindings(), before + 4);
        if (run % 2 == 0) form.Release();  // closed by a button; otherwise destroyed open
    }
    EXPECT_EQ(WebSettingsForm::LiveBindings(), before);
}

}  // namespace
}  // namespace brevio::client

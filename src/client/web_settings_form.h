// The web settings dialog without a browser: a portal settings page shown modally, with two of
// its buttons watched. A click on a watched button is only recorded; the dialog acts on it when
// the page the click leads to has finished loading (the portal has saved the change by then):
// the first button closes the dialog with OK, the second with Cancel. The close box closes it
// with Cancel on any page, watched buttons or not.
//
// The front end owns the browser. It tells the form each finished page (PageFinished), connects
// the bindings the form asks for in the page and reports how many it could connect
// (BindingsConnected), forwards clicks (ButtonClicked), and on closing disconnects what
// Release returns. Every binding is released when the dialog closes, however it closes.
//
// Threads: one form per dialog, on the user-interface thread. LiveBindings counts the
// bindings of every form of the process (atomically), so a front end's tests can check that
// none outlives its dialog.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "client/main_window_logic.h"

namespace brevio::client {

class WebSettingsForm {
  public:
    // The watched button of one binding, and the handle the page gave its listener (-1 while
    // it is not connected).
    struct Binding {
        std::string elementId;
        int cookie = -1;
    };

    enum class Close { kNone, kOk, kCancel };

    // What a finished page asks of the front end: the element ids to connect in this page (in
    // order; connecting stops at the first the page lacks), or the way to close.
    struct PageStep {
        std::vector<std::string> connect;
        Close close = Close::kNone;
    };

    // Kinds outside 0-5 are kind 0 (as SettingsDialogLayoutFor).
    explicit WebSettingsForm(int kind);
    ~WebSettingsForm();
    WebSettingsForm(const WebSettingsForm&) = delete;
    WebSettingsForm& operator=(const WebSettingsForm&) = delete;

    int Kind() const { return kind_; }
    const SettingsDialogLayout& Layout() const { return layout_; }

    // A page finished loading. After a recorded click: the close the click asks for (the click
    // is forgotten). Otherwise two new bindings for the kind's buttons and their ids to connect.
    PageStep PageFinished();
    // The page connected the newest bindings: their handles in order, as many as it could
    // connect. The dialog counts as connected when every one of them was.
    void BindingsConnected(const std::vector<int>& cookies);
    // A watched element of the page was clicked: recorded when it is one of the kind's two
    // buttons (the last click counts); other ids are ignored.
    void ButtonClicked(const std::string& elementId);
    // OK, Cancel or the close box: every binding is released and the connected state cleared.
    // The bindings to disconnect in the page (those with a handle) when the dialog counted as
    // connected, none otherwise.
    std::vector<Binding> Release();

    bool Connected() const { return connected_; }
    std::size_t BindingCount() const { return bindings_.size(); }
    const std::optional<std::string>& ClickedButton() const { return clicked_; }
    const std::vector<Binding>& Bindings() const { return bindings_; }

    // Bindings held by all forms of this process.
    static std::size_t LiveBindings();

  private:
    void Forget();

    int kind_;
    SettingsDialogLayout layout_;
    std::vector<Binding> bindings_;
    std::size_t pageFirst_ = 0;  // first binding made for the page shown
    bool connected_ = false;
    std::optional<std::string> clicked_;
};

}  // namespace brevio::client

// The update dialog of a reference-list refresh (dialog resource 183) as a form object: one
// exchange on a worker thread, its status text, its animation and its stop button. A thin
// view shows the state; without a window the same form runs to its end on the caller's
// thread (RunToEnd).
//
// States: running (the worker exchanges), stopped by the user (still waiting for the worker:
// stopping does not interrupt the exchange), finished (the worker posted its end). The dialog
// ends with OK only when the worker saw status 200 and the user did not stop it; every other
// end is Cancel, and a Cancel keeps nothing of the reply.
//
// Threads: the worker touches only the request and the form's state under the form's lock,
// and tells the view that it ended through the `posted` callback (the view queues
// OnWorkerFinished to its own thread). The message boxes the worker asks for wait in the form
// until the view takes them; the worker never waits for a window. Destroying the form waits
// for the worker without limit.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "store/form_message.h"

namespace brevio::reference {

// What one exchange needs and returns.
struct UpdateRequest {
    std::string label;             // the list's display name, at most 23 bytes
    std::string type;              // the TYPE value, at most 11 bytes
    std::string cat;               // "catwebsites" only: the group sent as CAT
    std::string catId;             // "catwebsites" only: CATID, not sent when empty
    std::int64_t lastUpdate = 0;   // seconds since 1970 (UTC), sent as LASTUPDATE
    std::string body;              // the reply after its status line (status 200 only)
};

// The exchange's result: 0 or a negative exchange code, and the whole reply.
struct ListReply {
    int code = -1;
    std::string reply;
};
using ListExchange = std::function<ListReply(const UpdateRequest&)>;

enum class DialogResult { kOk = 1, kCancel = 2 };

class UpdateDialogForm {
  public:
    static constexpr int kResource = 183;
    static constexpr int kAnimationControl = 1132;
    static constexpr int kAnimationResource = 184;
    static constexpr int kStatusControl = 1008;
    static constexpr int kStopButton = 2;
    // Frames of the animation, played from the first to the last and again without end.
    static constexpr int kAnimationFrames = 8;

    static std::string StopButtonText();  // "终 止"
    static std::string UpdatingText(std::string_view label);  // "正在更新%s..."
    static std::string NothingNewText();  // "暂无更新!"
    static std::string StoppedText();     // "用户终止更新!"
    static std::string ClosedText();      // "用户终止!"

    // The status text's font: "宋体", 9 points, bold, red (a Windows colour value).
    struct TextStyle {
        std::string font;
        int pointSize = 0;
        bool bold = false;
        std::uint32_t color = 0;
    };
    static TextStyle StatusStyle();

    UpdateDialogForm(UpdateRequest& request, ListExchange exchange);
    ~UpdateDialogForm();
    UpdateDialogForm(const UpdateDialogForm&) = delete;
    UpdateDialogForm& operator=(const UpdateDialogForm&) = delete;

    // Opening: the title and the status text "正在更新<label>...", the animation plays, the
    // worker starts. `posted` is called on the worker thread once it has ended (may be
    // empty). False when the worker could not be started: the dialog ends with Cancel.
    bool Open(std::function<void()> posted = {});

    std::string Title() const;
    std::string StatusText() const;
    bool StopEnabled() const;
    bool AnimationPlaying() const;
    int AnimationFrame() const;
    // The view's animation timer: the next frame while playing.
    void NextFrame();

    // Message boxes the worker asked for, in order (title "Brevio提示", exclamation icon).
    std::vector<store::FormMessage> TakeMessages();

    // The worker's posted end, on the view's thread: finished, animation stopped, the result
    // (OK only for success without a stop).
    void OnWorkerFinished();
    // "终 止": stopped, the button disabled, "用户终止更新!".
    void StopPressed();
    // Closing the window: before the worker is done, like the stop button with "用户终止!"
    // and the window stays (false); once finished, true.
    bool CloseRequested();

    enum class State { kRunning, kStopped, kFinished };
    State GetState() const;
    // The dialog's end, once it has ended.
    std::optional<DialogResult> Result() const;
    // True when the worker saw status 200.
    bool Succeeded() const;
    // True once the worker has posted its end.
    bool WorkerDone() const { return posted_.IsSet(); }

    // Without a window: opens, waits for the worker (pressing stop as soon as stopRequested
    // says so, looked at every few milliseconds), handles its end; the dialog's result.
    DialogResult RunToEnd(const std::function<bool()>& stopRequested = {});

    // Waits for the worker (the dialog's destruction does the same).
    void Destroy();

  private:
    void Work();
    void AddMessage(std::string text);

    UpdateRequest& request_;
    ListExchange exchange_;
    std::function<void()> posted_callback_;
    mutable std::mutex mutex_;
    std::string status_;
    std::vector<store::FormMessage> messages_;
    State state_ = State::kRunning;
    bool stopped_ = false;
    bool success_ = false;
    bool stopEnabled_ = true;
    bool playing_ = false;
    int frame_ = 0;
    std::optional<DialogResult> result_;
    std::string body_;  // the reply body until the dialog ends with OK
    platform::ManualResetEvent posted_;
    std::thread worker_;
};

}  // namespace brevio::reference

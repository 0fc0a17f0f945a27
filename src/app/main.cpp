// brevio: the desktop client.
#include "app/brevio_app.h"
#include "ui/net/login_dialog.h"

int main(int argc, char** argv) {
    return brevio::app::RunDesktopClient(
        argc, argv,
        [](const brevio::client::LoginValues& current, std::string_view problem) {
            return brevio::ui::AskLogin(nullptr, current, problem);
        });
}

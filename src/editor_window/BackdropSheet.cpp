#include "editor_window/BackdropSheet.h"

namespace BackdropSheet {

namespace {
Presenter &presenter() {
    static Presenter instance;
    return instance;
}
} // namespace

bool available() { return bool(presenter()); }

void open(QWidget *parent, const Request &request, Completion done) {
    if (!presenter()) {
        done(std::nullopt);
        return;
    }
    presenter()(parent, request, std::move(done));
}

void setPresenter(Presenter p) { presenter() = std::move(p); }

} // namespace BackdropSheet

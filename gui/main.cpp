#include <QApplication>
#include <cstdio>

#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pelorin");
    pelorin::RegisterCallbacks();
    try {
        pelorin::StartUp(1.0);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pelorin: %s\n", e.what());
        pelorin::ui::MessagePopup("Pelorin cannot start", e.what());
        return 1;
    }
    return pelorin::ui::RunUserInterface();
}

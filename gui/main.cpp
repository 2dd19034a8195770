// pelorin: the graphical designer.
#include <QApplication>
#include <cstdio>
#include <new>

#include "core/files/atomic_file.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

int main(int argc, char* argv[]) {
    pelorin::RemoveTemporariesOnInterrupt();
    try {
        QApplication app(argc, argv);
        QApplication::setOrganizationName("Pelorin");
        QApplication::setApplicationName("Pelorin");
        QApplication::setApplicationVersion(PELORIN_VERSION);
        pelorin::RegisterCallbacks();
        try {
            pelorin::StartUp(1.0);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "pelorin: %s\n", e.what());
            pelorin::ui::MessagePopup("Pelorin cannot start", e.what());
            return 1;
        }
        return pelorin::ui::RunUserInterface();
    } catch (const std::bad_alloc&) {
        std::fputs("pelorin: not enough memory to go on; files already written are kept.\n",
                   stderr);
        return 2;
    }
}

// pelorin: the graphical designer.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/files/atomic_file.h"
#include "core/recipe/manual.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

int main(int argc, char* argv[]) {
    // Answered before Qt starts, so that they need no display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs(pelorin::recipe::VersionText("pelorin").c_str(), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(pelorin::recipe::GuiHelpText().c_str(), stdout);
            return 0;
        }
    }
    pelorin::RemoveTemporariesOnInterrupt();
    try {
        QApplication app(argc, argv);
        QApplication::setOrganizationName("Pelorin");
        QApplication::setApplicationName("Pelorin");
        QApplication::setApplicationVersion(PELORIN_VERSION);
        QApplication::setDesktopFileName("org.pelorin.Pelorin");
        QApplication::setWindowIcon(QIcon(":/icons/pelorin-256.png"));
        pelorin::RegisterCallbacks();
        try {
            pelorin::StartUp(1.0);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "pelorin: %s\n", e.what());
            pelorin::ui::MessagePopup("Pelorin cannot start", e.what());
            return 1;
        }
        // A file named on the command line (a desktop's "open with").
        // Its bytes as given (QApplication has taken its own options out of
        // argv), so that a name in any encoding opens.
        for (int i = 1; i < argc; ++i) {
            if (argv[i][0] == '-') {
                std::fprintf(stderr, "pelorin: unknown option %s (pelorin --help)\n", argv[i]);
                continue;
            }
            pelorin::OpenAtStart(argv[i]);
            break;
        }
        return pelorin::ui::RunUserInterface();
    } catch (const std::bad_alloc&) {
        std::fputs("pelorin: not enough memory to go on; files already written are kept.\n",
                   stderr);
        return 2;
    }
}

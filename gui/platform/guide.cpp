// The user guide: a page compiled into the program, shown in a tool window of
// the main window.
#include <QDialog>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "gui/platform/platform.h"

namespace pelorin::ui {

using detail::PanelOf;

namespace {
QPointer<QDialog>& Guide() {
    static QPointer<QDialog> guide;
    return guide;
}
}  // namespace

void ShowGuide(int main_panel) {
    QPointer<QDialog>& guide = Guide();
    if (!guide) {
        guide = new QDialog(PanelOf(main_panel).window,
                            Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        guide->setAttribute(Qt::WA_DeleteOnClose);
        guide->setWindowTitle("Pelorin user guide");
        auto* layout = new QVBoxLayout(guide);
        auto* text = new QTextBrowser(guide);
        text->setSource(QUrl("qrc:/guide/user-guide.html"));
        text->setOpenExternalLinks(true);
        layout->addWidget(text);
        guide->resize(760, 640);
    }
    guide->show();
    guide->raise();
    guide->activateWindow();
}

bool GuideShown() {
    return Guide() && Guide()->isVisible();
}

}  // namespace pelorin::ui

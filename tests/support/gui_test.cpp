#include "tests/support/gui_test.h"

#include <QApplication>
#include <QSettings>
#include <QTimer>
#include <cstdlib>

#include "gui/platform/graph_control.h"
#include "tests/support/test_dir.h"

namespace pelorin::testing {

ui::GraphControl* MainGraph() {
    for (QWidget* w : QApplication::allWidgets())
        if (auto* g = dynamic_cast<ui::GraphControl*>(w); g && g->isVisible())
            return g;
    return nullptr;
}

int ScriptedPopups::FileSelect(const ui::FileSelectRequest& request, std::string& path) {
    asked.push_back(request);
    if (files.empty())
        return ui::VAL_NO_FILE_SELECTED;
    FileAnswer a = files.front();
    files.pop_front();
    path = a.path;
    return a.result;
}

void ScriptedPopups::Message(const std::string& title, const std::string& text) {
    messages.emplace_back(title, text);
}

void ScriptedPopups::Graph(const std::string& title, std::span<const double> y, double step_us,
                           const std::string& caption) {
    graphs.emplace_back(title, std::vector<double>(y.begin(), y.end()));
    graph_steps.push_back(step_us);
    graph_captions.push_back(caption);
}

void ScriptedPopups::GraphMeasured(const std::string& title, std::span<const double> y,
                                   double step_us, const std::string& first,
                                   const std::function<std::string()>& measure) {
    if (real_graphs) {
        graphs.emplace_back(title, std::vector<double>());
        real_->GraphMeasured(title, y, step_us, first, measure);
        return;
    }
    ui::Popups::GraphMeasured(title, y, step_us, first, measure);
}

bool ScriptedPopups::Confirm(const std::string& title, const std::string&) {
    questions.push_back(title);
    if (confirms.empty())
        return true;
    const bool yes = confirms.front();
    confirms.pop_front();
    return yes;
}

ui::SaveAnswer ScriptedPopups::AskToSave(const std::string& title, const std::string& text) {
    save_questions.push_back(text);
    if (real_questions)
        return real_->AskToSave(title, text);
    if (save_answers.empty())
        return ui::SaveAnswer::Discard;
    const ui::SaveAnswer answer = save_answers.front();
    save_answers.pop_front();
    return answer;
}

namespace {
struct ScriptedProgress : ui::Progress {
    ScriptedPopups& owner;
    explicit ScriptedProgress(ScriptedPopups& o) : owner(o) {}
    bool Update(std::uint64_t, std::uint64_t, const std::string& text) override {
        std::lock_guard lock(owner.progress_mutex);
        owner.progress.push_back(text);
        return owner.cancel_after < 0 ||
               static_cast<int>(owner.progress.size()) < owner.cancel_after;
    }
};
}  // namespace

std::unique_ptr<ui::Progress> ScriptedPopups::StartProgress(const std::string& title,
                                                            std::uint64_t total) {
    if (real_progress)
        return real_->StartProgress(title, total);
    return std::make_unique<ScriptedProgress>(*this);
}

void Later(int delay, std::function<void()> press) {
    QTimer::singleShot(delay, qApp, std::move(press));
}

std::vector<float> ListValues(int panel, int control) {
    std::vector<float> list(static_cast<std::size_t>(ui::GetNumListItems(panel, control)));
    for (std::size_t i = 0; i < list.size(); ++i)
        list[i] = ui::GetValueFromIndex(panel, control, static_cast<int>(i));
    return list;
}

QWidget* ShownDialog(const char* class_name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->inherits(class_name))
            return w;
    return nullptr;
}

void GuiTest::SetUp() {
    ui::ResetPlatform();
    QSettings().clear();
    ResetSession();
    auto scripted = std::make_unique<ScriptedPopups>();
    popups = scripted.get();
    ui::InstallPopups(std::move(scripted));
    RegisterCallbacks();
    StartUp(0.0);
}

void GuiTest::TearDown() {
    ui::ResetPlatform();
}

void GuiTest::ApplySetReset(int samples, double bandwidth) {
    ui::ChooseMenuItem(bar(), ids::Main::kMenuSetReset);
    const int p = screen().SetResetHandle;
    const bool tek = ui::GetCtrlInt(p, ids::SetReset::kTekSwitch) != 0;
    ui::EnterCtrlVal(p, tek ? 4 : 2, samples);
    ui::EnterCtrlVal(p, tek ? 5 : 3, bandwidth);
    ui::PressButton(p, ids::SetReset::kApply);
}

void GuiTest::Notch(double from, double to, double level, int source) {
    const int p = screen().NotchHandle;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuNotch);
    ui::SetCtrlVal(p, ids::Notch::kSource, source);
    ui::SetCtrlVal(p, ids::Notch::kFrom, from);
    ui::SetCtrlVal(p, ids::Notch::kTo, to);
    ui::SetCtrlVal(p, ids::Notch::kLevel, level);
    ui::PressButton(p, ids::Notch::kApply);
}

void GuiTest::Synthesise(int popup, int check, int factor) {
    const int p = screen().ProcessHandle;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuSynthesis);
    ui::SetCtrlVal(p, ids::Process::kPopup, popup);
    ui::SetCtrlVal(p, ids::Process::kCheck, check);
    ui::SetCtrlVal(p, ids::Process::kFactor, factor);
    ui::PressButton(p, ids::Process::kSynthesise);
}

void GuiTest::Store(const std::string& file) {
    popups->files.push_back({ui::VAL_NEW_FILE_SELECTED, file});
    ui::ChooseMenuItem(bar(), ids::Main::kMenuStore);
}

std::string GuiTest::LastMessage() const {
    return popups->messages.empty() ? std::string() : popups->messages.back().second;
}

}  // namespace pelorin::testing

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // Settings go to a folder of this run's own, never the operator's.
    QApplication::setOrganizationName("Pelorin");
    QApplication::setApplicationName("Pelorin-tests");
    static pelorin::testing::TestDir settings("pelorin-settings.");
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(settings.string()));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

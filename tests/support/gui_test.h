// Headless front-end tests: the real panels and callbacks, with every pop-up
// answered from a script.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

class QWidget;

namespace pelorin::ui {
class GraphControl;
}

namespace pelorin::testing {

// The main window's graph, the one visible graph widget.
ui::GraphControl* MainGraph();

struct FileAnswer {
    int result;
    std::string path;
};

struct ScriptedPopups : ui::Popups {
    std::deque<FileAnswer> files;              // answers, in order
    std::vector<ui::FileSelectRequest> asked;  // the file pop-ups shown
    std::vector<std::pair<std::string, std::string>> messages;
    std::vector<std::pair<std::string, std::vector<double>>> graphs;
    std::vector<double> graph_steps;  // the time step of each graph, µs
    std::vector<std::string> graph_captions;
    std::deque<bool> confirms;  // answers to questions; Yes when none is left
    std::vector<std::string> questions;
    std::deque<ui::SaveAnswer> save_answers;  // Discard when none is left
    std::vector<std::string> save_questions;  // the text of each
    int cancel_after = -1;                    // the operator cancels at this progress update
    // The real dialogs instead, for tests that press their buttons.
    bool real_progress = false;
    bool real_questions = false;
    bool real_graphs = false;           // the waveform pop-up measured beside the real dialog
    std::vector<std::string> progress;  // written by the worker of a series
    std::mutex progress_mutex;

    int FileSelect(const ui::FileSelectRequest& request, std::string& path) override;
    void Message(const std::string& title, const std::string& text) override;
    void Graph(const std::string& title, std::span<const double> y, double step_us,
               const std::string& caption) override;
    void GraphMeasured(const std::string& title, std::span<const double> y, double step_us,
                       const std::string& first,
                       const std::function<std::string()>& measure) override;
    bool Confirm(const std::string& title, const std::string& text) override;
    ui::SaveAnswer AskToSave(const std::string& title, const std::string& text) override;
    std::unique_ptr<ui::Progress> StartProgress(const std::string& title,
                                                std::uint64_t total) override;
    void Radii(const ui::RadiusPlot& plot) override { radius_plots.push_back(plot); }
    std::vector<ui::RadiusPlot> radius_plots;

private:
    std::unique_ptr<ui::Popups> real_ = ui::MakeQtPopups();
};

// Runs press after delay milliseconds, from the event loop that a dialog or
// long work runs meanwhile.
void Later(int delay, std::function<void()> press);
// The dialog of that class on screen, nullptr when there is none.
QWidget* ShownDialog(const char* class_name);

// The values a list control shows, in order.
std::vector<float> ListValues(int panel, int control);

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    Workspace& ws() { return workspace(); }
    int bar() { return screen().MenuHandle; }
    // Opens Set/Reset from the menu, enters the entries of the current layout
    // and applies them.
    void ApplySetReset(int samples, double bandwidth);
    // Sets the window from … to (kHz) to level on the notch panel; with
    // source 1 the window runs between the graph cursors instead.
    void Notch(double from, double to, double level, int source = 0);
    // Presses the synthesis panel's button with the flags and factor given.
    void Synthesise(int popup, int check, int factor);
    // Chooses the store command and answers its pop-up with file.
    void Store(const std::string& file);
    // The text of the last message shown, "" when none.
    std::string LastMessage() const;

    ScriptedPopups* popups = nullptr;
};

}  // namespace pelorin::testing

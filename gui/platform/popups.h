// Modal pop-ups: file dialogs, notices, waveform graphs and progress. They go
// through one replaceable interface so that tests and scripted runs answer
// them without a display.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace pelorin::ui {

inline constexpr int VAL_SAVE_BUTTON = 1;
inline constexpr int VAL_SELECT_BUTTON = 2;
inline constexpr int VAL_LOAD_BUTTON = 3;

inline constexpr int VAL_NO_FILE_SELECTED = 0;
inline constexpr int VAL_EXISTING_FILE_SELECTED = 1;
inline constexpr int VAL_NEW_FILE_SELECTED = 2;

struct FileSelectRequest {
    std::string default_directory;
    std::string default_spec;  // e.g. "*.swf"
    std::string type_list;
    std::string title;
    int button = VAL_SAVE_BUTTON;
    bool restrict_directory = false;
    bool restrict_extension = false;
    bool allow_cancel = true;
    bool allow_make_directory = false;
};

// The answers to a question about work that would be lost.
enum class SaveAnswer { Save, Discard, Cancel };

// A long operation's progress; Update returns false once the operator has
// asked to cancel. Update may be called from the worker thread that does the
// operation.
class Progress {
public:
    virtual ~Progress() = default;
    virtual bool Update(std::uint64_t done, std::uint64_t total, const std::string& text) = 0;
};

// A plot of the radius each ion ends with against its m/z (or frequency):
// the points coloured by their zone, the wall and the kept radius as lines,
// the targets marked and labelled, and words below.
struct RadiusPlot {
    enum Zone { Ejected, Lost, Kept, Partial };
    std::string title, x_label, caption;
    std::vector<double> x, radius;  // mm
    std::vector<Zone> zone;
    double wall = 0.0, kept = 0.0;  // mm
    struct Mark {
        double x = 0.0, radius = 0.0;
        std::string label;
    };
    std::vector<Mark> marks;
};

class Popups {
public:
    virtual ~Popups() = default;
    // Returns VAL_NO_FILE_SELECTED, VAL_EXISTING_FILE_SELECTED or
    // VAL_NEW_FILE_SELECTED; path receives the chosen full path.
    virtual int FileSelect(const FileSelectRequest& request, std::string& path) = 0;
    virtual void Message(const std::string& title, const std::string& text) = 0;
    // A modal plot of one array: sample i at i * step_us microseconds, with
    // caption (figures of the waveform, possibly "") below it.
    virtual void Graph(const std::string& title, std::span<const double> y, double step_us,
                       const std::string& caption) = 0;
    // The same plot shown at once, while measure runs on a worker (it must not
    // touch a window, and y stays as it is meanwhile): the caption reads
    // `first` until measure returns the one to show. Returns when the plot
    // is closed and measure has ended; what measure threw is thrown here.
    // Unless overridden, measures first and then shows the plot.
    virtual void GraphMeasured(const std::string& title, std::span<const double> y, double step_us,
                               const std::string& first,
                               const std::function<std::string()>& measure) {
        (void)first;
        Graph(title, y, step_us, measure());
    }
    // A question with the answers Yes and No; true for Yes.
    virtual bool Confirm(const std::string& title, const std::string& text) = 0;
    // Work not kept would be lost: Save (the default), Discard or Cancel
    // (Escape), the standard buttons.
    virtual SaveAnswer AskToSave(const std::string& title, const std::string& text) = 0;
    virtual std::unique_ptr<Progress> StartProgress(const std::string& title,
                                                    std::uint64_t total) = 0;
    // A modal radius plot.
    virtual void Radii(const RadiusPlot& plot) = 0;
};

// The Qt dialogs the program uses unless something else is installed.
std::unique_ptr<Popups> MakeQtPopups();

// Replaces the pop-ups in use (the Qt dialogs unless a test installs its own).
void InstallPopups(std::unique_ptr<Popups> popups);
Popups& CurrentPopups();

// A file dialog that opens in the folder its kind of file was last taken
// from. A load dialog remembers the folder chosen at once; a save dialog's
// folder is remembered by RememberFolder once the file has been written.
int FileSelectPopup(const FileSelectRequest& request, std::string& path);
// Remembers path's folder for the kind of file spec ("*.swf") names.
void RememberFolder(const std::string& spec, const std::string& path);
void MessagePopup(const std::string& title, const std::string& text);
void YGraphPopup(const std::string& title, std::span<const double> y, double step_us,
                 const std::string& caption = "");
// YGraphPopup while measure runs beside it (see Popups::GraphMeasured).
void YGraphPopupMeasured(const std::string& title, std::span<const double> y, double step_us,
                         const std::string& first, const std::function<std::string()>& measure);
void XGraphPopup(const std::string& title, std::span<const double> y, double step_us,
                 const std::string& caption = "");
bool ConfirmPopup(const std::string& title, const std::string& text);
void RadiusPopup(const RadiusPlot& plot);
SaveAnswer AskToSavePopup(const std::string& title, const std::string& text);

}  // namespace pelorin::ui

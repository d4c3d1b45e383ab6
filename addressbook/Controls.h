// The few things of a window that the scan and the export touch: a control that
// can be enabled or shown, a progress bar, and message boxes. The Qt windows
// implement these; so do the tests and the command-line tool.
#pragma once

#include <cstdint>
#include <string>

namespace tallowby {

class Control {
public:
    virtual ~Control() = default;
    virtual void SetEnabled(bool enabled) = 0;
    virtual void SetVisible(bool visible) = 0;
};

class ProgressBar {
public:
    virtual ~ProgressBar() = default;
    virtual void SetMinimum(int32_t value) = 0;
    virtual void SetMaximum(int32_t value) = 0;
    virtual void SetValue(int32_t value) = 0;
    virtual void SetVisible(bool visible) = 0;
    // Show the current value now: no event loop runs while a scan or an export
    // works, so the run asks for repaints itself (throttled, see RepaintThrottle).
    virtual void Repaint() = 0;
};

// Message boxes with the information icon and a single OK button; Show returns
// when the user has closed the box.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void Show(const std::string& text, const std::string& title) = 0;
};

// A text box the run reads (the database path).
class TextSource {
public:
    virtual ~TextSource() = default;
    virtual std::string Text() const = 0;
};

} // namespace tallowby

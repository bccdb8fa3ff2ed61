#pragma once

namespace sweeplight::app {

// Receives the display's request for the application menu (the info button was tapped).
class EAGLViewDelegate {
public:
    virtual ~EAGLViewDelegate() = default;
    virtual void displayMenu() = 0;
};

} // namespace sweeplight::app

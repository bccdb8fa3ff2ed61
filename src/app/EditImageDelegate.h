#pragma once

namespace sweeplight::app {

// What the picture chooser hands back to the application controller.
class EditImageDelegate {
public:
    virtual ~EditImageDelegate() = default;
    virtual void setRepeatOn() = 0;
    virtual void setRepeatOff() = 0;
    // A picture was chosen: read it from the chooser's imageView().
    virtual void enableImageMode() = 0;
    virtual void closeImageView() = 0;
};

} // namespace sweeplight::app

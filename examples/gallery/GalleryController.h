#pragma once

#include "ui/ViewController.h"

namespace kesvor::ui {
class ActivityIndicatorView;
class Label;
class View;
} // namespace kesvor::ui

namespace kesvor::gallery {

/// One screen with every control of the toolkit, each placed by
/// visual-format strings.
class GalleryController : public ui::ViewController {
    Q_OBJECT
public:
    using ui::ViewController::ViewController;

    void viewDidLoad() override;
    void showAlert();

private:
    ui::View* makeHeader();
    ui::View* makeBubbles();
    ui::View* makeButtons();
    ui::View* makeInputs();
    ui::View* makeStatus();

    ui::Label* m_tapCount = nullptr;
    int m_taps = 0;
};

} // namespace kesvor::gallery

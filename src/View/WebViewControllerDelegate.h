#pragma once

namespace kesvor {

/// Hears when the web-view sheet has come up and when it has gone.
class WebViewControllerDelegate {
public:
    virtual ~WebViewControllerDelegate() = default;

    /// True once the sheet is fully up; false once it has slid away. Each
    /// true is followed by exactly one false.
    virtual void viewAppearChange(bool isShowing) = 0;
};

} // namespace kesvor

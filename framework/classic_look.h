#pragma once
// Internal to framework/: the one look of every window, menu, list and message box: the
// classic style with its raised grey scroll-bar thumbs on a dotted track, the classic colour
// scheme, and the application's hint pauses applied to tool tips.

class QApplication;

namespace framework_detail {

// Gives the application the classic style and palette. The style asks the application object
// for its hint pauses each time, so later changes apply at once.
void applyClassicLook(QApplication& application);

} // namespace framework_detail

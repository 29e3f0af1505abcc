#pragma once
// The Qt application of a command that draws (plot, report): offscreen whatever the session has,
// so no window ever shows and no display is needed; Qt's notes about the session (no runtime
// folder, fonts) stay off the terminal, its errors do not.

#include <QApplication>
#include <memory>

class OffscreenApplication {
 public:
  OffscreenApplication();
  ~OffscreenApplication();

 private:
  std::unique_ptr<QApplication> m_application;
};

// The program's start: one instance, the look, the main window, the message loop.
#pragma once

namespace cvapp {

int RunApplication(int argc, char** argv);

}  // namespace cvapp

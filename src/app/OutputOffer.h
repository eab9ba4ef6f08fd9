// The outputs the options offer and the one playback takes, both from one request, so the
// options show the output that plays.
#pragma once

#include <QStringList>

#include "session/OutputChoice.h"

namespace cv {
class MidiPortDevice;
}

namespace cvapp {

struct TStoredSettings;

// What the machine offers, and what the settings ask for.
cv::TOutputRequest OutputRequestFor(const TStoredSettings& settings, cv::MidiPortDevice& port);
// Names offered as outputs: the ports, our own virtual port, then the synthesizer.
QStringList OfferedOutputs(const cv::TOutputRequest& request);
// The offered name of the output the next Play takes.
QString NextOutputName(const cv::TOutputRequest& request);

}  // namespace cvapp

#include "app/OutputOffer.h"

#include "app/AppSettings.h"
#include "platform/Devices.h"

namespace cvapp {

cv::TOutputRequest OutputRequestFor(const TStoredSettings& settings, cv::MidiPortDevice& port) {
  cv::TOutputRequest request;
  request.WantedName = settings.Configuration.MidiOutputDeviceName;
  request.PortNames = port.DeviceNames();
  if (port.HasVirtualPort()) request.VirtualPortName = port.DeviceName(cv::MidiPortDevice::VirtualPortID);
  request.SynthName = cv::SynthDevice::OutputName;
  request.SynthAllowed = settings.VSTiEnabled;
  return request;
}

QStringList OfferedOutputs(const cv::TOutputRequest& request) {
  QStringList names;
  for (const std::string& n : request.PortNames) names << QString::fromStdString(n);
  // Other programs (a keyboard's editor, a recorder) connect to our own port.
  if (!request.VirtualPortName.empty()) names << QString::fromStdString(request.VirtualPortName);
  names << QString::fromStdString(request.SynthName);
  return names;
}

QString NextOutputName(const cv::TOutputRequest& request) {
  return QString::fromStdString(cv::ChooseOutputFor(request).Name);
}

}  // namespace cvapp

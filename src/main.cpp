// The station program: it runs in the station folder (the current folder when it starts),
// reads no command-line options, installs the transport of the station's platform settings
// and shows the application's property sheet through the Qt front end; it ends when the
// sheet closes.
#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/MPToolApp.h"
#include "platform/Clock.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "sim/StationTransport.h"
#include "ui/Dispatcher.h"
#include "ui/Host.h"
#include "ui/qt/QtHost.h"

int main(int argc, char** argv) {
  platform::SetStationFolder(std::filesystem::current_path());
  // The station's platform settings may slow time down or speed it up (simulated runs).
  const std::string scale = settings::ReadText(settings::keys::PlatformTimeScale);
  char* end = nullptr;
  const double timeScale = std::strtod(scale.c_str(), &end);
  if (end != scale.c_str() && timeScale >= 0) platform::SetTimeScale(timeScale);

  // Qt gets only the program name: the station takes no options, Qt's included.
  int qtArgumentCount = 1;
  char* qtArguments[] = {argc > 0 ? argv[0] : const_cast<char*>("tv3160_station"), nullptr};
  QApplication application(qtArgumentCount, qtArguments);
  QApplication::setApplicationName("tv3160_station");

  ui::Dispatcher dispatcher;
  uiqt::QtHost host(dispatcher);
  ui::SetHost(&host);

  // The drives are reached through the transport the station's platform settings choose.
  std::string transportError;
  if (!sim::InstallStationTransport(&transportError)) {
    ui::ShowMessageBox("No drive can be reached: " + transportError, "", ui::MB_OK | ui::MB_ICONERROR);
  }

  theApp.InitInstance();
  const int exitCode = theApp.ExitInstance();
  ui::SetHost(nullptr);
  return exitCode;
}

// The station program: it runs in the station folder (the current folder when it starts),
// reads no command-line options, takes the station folder's lock, installs the transport of
// the station's platform settings and shows the application's property sheet through the
// Qt front end; it ends when the sheet closes.
//
// Start-up stops, with a message and before the sheet opens, when another copy of the
// program holds the station folder (nothing of the folder is touched then) or when the
// platform settings or the scenario are refused (the message names the file, the line and
// the key). On the simulated station the window has a menu to plug a drive in again, as an
// operator does at a real station.
#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/MPToolApp.h"
#include "platform/Path.h"
#include "platform/StationLock.h"
#include "sim/OperatorReplug.h"
#include "sim/StationTransport.h"
#include "ui/Dispatcher.h"
#include "ui/Host.h"
#include "ui/qt/QtHost.h"

namespace {

constexpr int kExitStationInUse = 2;
constexpr int kExitSettingsRefused = 3;

}  // namespace

int main(int argc, char** argv) {
  platform::SetStationFolder(std::filesystem::current_path());
  // One program per station folder, before anything of it is read or written.
  std::string refusal;
  const std::unique_ptr<platform::StationLock> stationLock =
      platform::StationLock::Take(platform::StationFolder(), refusal);

  // Qt gets only the program name: the station takes no options, Qt's included.
  int qtArgumentCount = 1;
  char* qtArguments[] = {argc > 0 ? argv[0] : const_cast<char*>("tv3160_station"), nullptr};
  QApplication application(qtArgumentCount, qtArguments);
  QApplication::setApplicationName("tv3160_station");

  ui::Dispatcher dispatcher;
  uiqt::QtHost host(dispatcher);
  ui::SetHost(&host);
  const auto stop = [](const std::string& message, int exitCode) {
    std::fprintf(stderr, "%s\n", message.c_str());
    ui::ShowMessageBox(message, "", ui::MB_OK | ui::MB_ICONERROR);
    ui::SetHost(nullptr);
    return exitCode;
  };
  if (!stationLock) return stop(refusal, kExitStationInUse);

  // The drives are reached through the transport the station's platform settings choose.
  std::string transportError;
  if (!sim::InstallStationTransport(&transportError)) {
    return stop("The station cannot start: " + transportError, kExitSettingsRefused);
  }

  // On the simulated station the operator plugs drives in again through a menu of the window.
  // A re-plug waits for the command its slot is running, so each runs on a thread of its own:
  // the window goes on while it waits, and so do the other slots' re-plugs. At the program's
  // end the runner waits for the re-plugs still running.
  sim::ReplugRunner replugs;
  const auto startReplug = [&replugs](const sim::ReplugChoice& choice) {
    if (replugs.Start(choice.replug)) return;
    ui::ShowMessageBox(choice.label + " was not re-plugged: no thread could be started.", "",
                       ui::MB_OK | ui::MB_ICONERROR);
  };
  if (std::shared_ptr<sim::SimStation> station = sim::InstalledSimStation()) {
    host.AddOperatorMenu({QStringLiteral("Re-plug a drive"), [station = std::move(station), startReplug] {
                            std::vector<uiqt::OperatorMenuEntry> entries;
                            for (const sim::ReplugChoice& choice : sim::ReplugChoices(station)) {
                              entries.push_back({QString::fromStdString(choice.label),
                                                 [startReplug, choice] { startReplug(choice); }});
                            }
                            return entries;
                          }});
  }

  theApp.InitInstance();
  const int exitCode = theApp.ExitInstance();
  ui::SetHost(nullptr);
  return exitCode;
}

# Unity builds: each target's sources are compiled a batch of files at a time, as one
# translation unit per batch, so that the headers they share (the standard library, GoogleTest,
# the station's own) are parsed and their inline code generated once per batch instead of once
# per file: the builds take about half the time. Batches follow the order of the file names, so
# a new file moves the later ones to other batches. The files of a batch share one translation
# unit: two files of a folder that define one name at file scope (in an anonymous namespace or
# `static`) differently cannot share a batch, and the compiler says so ("redefinition of ...").
# Such a file keeps a translation unit of its own: STATION_COMPILE_APART below lists it (or a
# more precise name ends the clash). -DSTATION_UNITY_BUILD=OFF compiles file by file, as a
# quick way to tell such a clash from a real error.
option(STATION_UNITY_BUILD "Compile each target's sources in batches (unity build)" ON)
# Measured on the test binaries: 16 files of a batch cost a third of the same files compiled
# one by one, and larger batches save little more.
set(STATION_UNITY_BATCH_LIBRARY 16 CACHE STRING "Files per unity batch of a library")
set(STATION_UNITY_BATCH_TESTS 16 CACHE STRING "Files per unity batch of a test binary")

# station_unity_build(<target> <batch size>): compiles the target's sources in batches.
function(station_unity_build target batch_size)
  if(STATION_UNITY_BUILD)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${batch_size})
  endif()
endfunction()

# The files that define a file-scope name another file of their target defines too (paths from
# the source root): each is compiled on its own, outside the unity batches.
set(STATION_COMPILE_APART
  src/platform/Text.cpp src/sim/RdtLogRecords.cpp src/sim/SimDrive.cpp
  src/sim/SlotCommands.cpp src/crypto/AesRounds.cpp src/crypto/ShaBlockDigest.cpp
  src/engine/firmware/FlashPreparation.cpp src/engine/rdtlog/SpecialTestLog.cpp
  src/run/QCFlow.cpp src/run/RDTFlow.cpp src/run/RDTResultFlow.cpp src/run/ReadRMADebugFlow.cpp
  src/run/RewriteISPFlow.cpp src/run/UpgradeFirmwareFlow.cpp src/run/ZeroMBCheckFlow.cpp
  src/pages/bbt/BbtWorkers.cpp src/pages/legacy/FirstPropertyPage.cpp
  src/pages/legacy/LegacyFlows.cpp src/pages/legacy/LegacyLogFolders.cpp
  src/pages/legacy/LegacyPageLayout.cpp src/pages/legacy/LegacyResultLogs.cpp
  src/pages/legacy/ProductInfo.cpp src/pages/legacy/ResultMessageDlg.cpp
  src/pages/legacy/SecondPropertyPage.cpp src/pages/legacy/SummaryReport.cpp
  src/pages/production/ProductionPage.cpp src/pages/production/ProductionPageLayout.cpp
  src/pages/results/BlockMapDlg.cpp src/pages/results/BlockMapReaders.cpp
  src/pages/results/CeMapDlg.cpp src/pages/results/LaterBadPageLayout.cpp
  src/pages/results/LaterBadResultPage.cpp src/pages/results/LaterBadResultThread.cpp
  src/pages/results/RdtResultPage.cpp src/pages/results/RdtResultThread.cpp
  src/pages/results/ResultPage.cpp src/pages/results/ScanReportReader.cpp
  tests/crypto/NumberTheoryTest.cpp tests/device/VolumeLockTest.cpp
  tests/e2e/UpgradeFaultSweepTest.cpp tests/e2e/ZeroMBCheckFaultSweepTest.cpp
  tests/engine/core/SlotReportTest.cpp tests/pages/DiskSelectComboTest.cpp
  tests/pages/results/LaterBadResultPageTest.cpp tests/pages/results/RdtResultPageTest.cpp
  tests/qt/LegacyPageDrawingTest.cpp)

# station_compile_apart(<source root>): marks the files of STATION_COMPILE_APART for the targets
# that the calling folder makes (source file properties belong to a folder).
function(station_compile_apart root)
  list(TRANSFORM STATION_COMPILE_APART PREPEND "${root}/" OUTPUT_VARIABLE files)
  set_source_files_properties(${files} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
endfunction()

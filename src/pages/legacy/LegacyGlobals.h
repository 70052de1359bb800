#pragma once
// What the legacy slot page tells the rest of the station: the host's description, the model
// name of the parameter file, the last serial number handed out, and whether a pass runs.
// The page's thread writes them; anyone may read them.
#include <atomic>
#include <cstdint>

#include "run/SharedText.h"

extern CSharedText g_HostComputerName;
extern CSharedText g_HostIpAddress;
extern CSharedText g_HostMacAddress;
extern CSharedText g_ModelName;
extern CSharedText g_WindowsVersionText;
extern CSharedText g_CpuBrandText;
extern CSharedText g_LastSerialText;
// 1 while a pass of a legacy flow runs.
extern std::atomic<std::uint8_t> g_IsTesting;

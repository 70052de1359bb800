#include "pages/legacy/LegacyGlobals.h"

CSharedText g_HostComputerName;
CSharedText g_HostIpAddress;
CSharedText g_HostMacAddress;
CSharedText g_ModelName;
CSharedText g_WindowsVersionText;
CSharedText g_CpuBrandText;
CSharedText g_LastSerialText;
std::atomic<std::uint8_t> g_IsTesting{0};

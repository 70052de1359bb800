// The drive's volumes, locked while a flow works on a drive that runs its MP firmware.
#include "engine/MPDevice.h"

int CMPDevice::LockDiskVolumes() { return m_VolumeLock->LockDrive(*m_DeviceCommand); }

int CMPDevice::UnlockDiskVolumes() { return m_VolumeLock->Unlock(); }

#include "crypto/CpuFeatures.h"

#include <atomic>

#include "platform/Host.h"

namespace crypto {

namespace {

std::atomic<bool> g_instructionPathsAllowed{true};

struct Features {
  bool aes = false;
  bool sha = false;
};

Features DetectFeatures() {
  Features features;
#if defined(__x86_64__) || defined(__i386__)
  const platform::CpuIdRegisters basic = platform::CpuId(0);
  if (basic.eax >= 1) {
    const platform::CpuIdRegisters leaf1 = platform::CpuId(1);
    const bool ssse3 = (leaf1.ecx & (1u << 9)) != 0;
    const bool sse41 = (leaf1.ecx & (1u << 19)) != 0;
    features.aes = sse41 && (leaf1.ecx & (1u << 25)) != 0;
    if (basic.eax >= 7) {
      const platform::CpuIdRegisters leaf7 = platform::CpuId(7, 0);
      features.sha = ssse3 && sse41 && (leaf7.ebx & (1u << 29)) != 0;
    }
  }
#endif
  return features;
}

const Features& CachedFeatures() {
  static const Features features = DetectFeatures();
  return features;
}

}  // namespace

bool CpuHasAesInstructions() { return CachedFeatures().aes; }
bool CpuHasShaInstructions() { return CachedFeatures().sha; }

void AllowInstructionPaths(bool allowed) { g_instructionPathsAllowed.store(allowed); }

bool UseAesInstructions() {
  return CpuHasAesInstructions() && g_instructionPathsAllowed.load(std::memory_order_relaxed);
}

bool UseShaInstructions() {
  return CpuHasShaInstructions() && g_instructionPathsAllowed.load(std::memory_order_relaxed);
}

}  // namespace crypto

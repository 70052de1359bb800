#pragma once
// Which of the processor's cipher and hash instructions the library may use. The choice is
// made at run time; the portable code serves wherever the instructions are missing, and tests
// can switch the instruction paths off to check the portable code on the same machine.

namespace crypto {

bool CpuHasAesInstructions();   // AES-NI with SSE4.1
bool CpuHasShaInstructions();   // the SHA extensions with SSSE3 and SSE4.1

// On by default. Not meant to be changed while another thread hashes or encrypts.
void AllowInstructionPaths(bool allowed);

bool UseAesInstructions();
bool UseShaInstructions();

}  // namespace crypto

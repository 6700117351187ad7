#pragma once

// The upper halves of the x86 AVX registers and plain SSE arithmetic.
//
// This program is built for x86-64 without AVX, so its floating-point code is
// plain SSE. While the upper halves of the AVX registers are marked in use,
// every such instruction has to merge with them, and arithmetic-bound code
// (geodesics, with the C library's sin, cos, atan2 and tan) runs four to six
// times slower. Qt's string hash does its work in 256-bit AES registers for
// keys of 32 bytes and more and returns without clearing them, so one long
// key hashed anywhere in a thread (QGuiApplication hashes plugin and logging
// names at start-up) leaves that thread in this state until something clears
// it. Arithmetic-bound routines clear it on entry.

// Marks the upper halves unused (VZEROUPPER) where the CPU has AVX; nothing
// elsewhere. Costs about as much as an addition.
void ClearUpperVectorState();

// Whether the upper halves are marked in use right now (XGETBV with ECX = 1);
// false where the CPU cannot tell.
bool UpperVectorStateInUse();

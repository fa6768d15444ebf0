#pragma once
// The programs' version, handed in by the build from project(VERSION) in
// the top-level CMakeLists.txt, the one place the number is written.

namespace vendrel {

inline constexpr const char* kProgramVersion = VENDREL_VERSION;

}  // namespace vendrel

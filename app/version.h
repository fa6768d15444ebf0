#pragma once
// The program's version, as the About box, the status bar and --version
// show it.

namespace vendrel {

inline constexpr char kVersion[] = "0.90";

}  // namespace vendrel

#pragma once

// The floor program's window, as the benchmark driver finds it.
inline constexpr char kFloorClass[] = "BenchFloor";
inline constexpr char kFloorTitle[] = "floor";

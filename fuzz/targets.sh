# Sourced by the fuzzing scripts: per target, its sources besides the fuzzer's main, the folder of its
# headers, its libraries.
declare -A sources=(
  [png]="fuzz/FuzzPng.cpp toolkit/PngDecoder.cpp"
  [fontname]="fuzz/FuzzFontName.cpp install/FontNameTable.cpp"
  [commandline]="fuzz/FuzzCommandLine.cpp install/CommandLine.cpp"
)
declare -A includes=([png]=toolkit [fontname]=install [commandline]=install)
declare -A libraries=([png]=-lz [fontname]= [commandline]=)
all_targets=(png fontname commandline)

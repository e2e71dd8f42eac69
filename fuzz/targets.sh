# Sourced by the fuzzing scripts: per target, its sources besides the fuzzer's main, the folder of its
# headers, its libraries.
declare -A sources=(
  [png]="fuzz/FuzzPng.cpp toolkit/PngDecoder.cpp"
  [fontname]="fuzz/FuzzFontName.cpp install/FontNameTable.cpp"
  [commandline]="fuzz/FuzzCommandLine.cpp install/CommandLine.cpp"
  [installrecord]="fuzz/FuzzInstallRecord.cpp install/InstallRecordText.cpp"
  [checksumlist]="fuzz/FuzzChecksumList.cpp install/ChecksumList.cpp install/InstallRecordText.cpp"
)
declare -A includes=([png]=toolkit [fontname]=install [commandline]=install [installrecord]=install [checksumlist]=install)
declare -A libraries=([png]=-lz [fontname]= [commandline]= [installrecord]= [checksumlist]=)
all_targets=(png fontname commandline installrecord checksumlist)

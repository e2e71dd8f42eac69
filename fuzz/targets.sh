# Sourced by the fuzzing scripts: per target, its sources besides the fuzzer's main, the folder of its
# headers (one or more, blank-separated), its libraries.
declare -A sources=(
  [png]="fuzz/FuzzPng.cpp toolkit/PngDecoder.cpp"
  [fontname]="fuzz/FuzzFontName.cpp install/stages/FontNameTable.cpp"
  [commandline]="fuzz/FuzzCommandLine.cpp install/run/CommandLine.cpp"
  [installrecord]="fuzz/FuzzInstallRecord.cpp install/record/InstallRecordText.cpp"
  [checksumlist]="fuzz/FuzzChecksumList.cpp install/checks/ChecksumList.cpp install/record/InstallRecordText.cpp"
)
declare -A includes=([png]=toolkit [fontname]=install/stages [commandline]=install/run [installrecord]=install/record
                      [checksumlist]="install/checks install/record")
declare -A libraries=([png]=-lz [fontname]= [commandline]= [installrecord]= [checksumlist]=)
all_targets=(png fontname commandline installrecord checksumlist)

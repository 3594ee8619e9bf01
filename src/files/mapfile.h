#pragma once

#include <cstdio>
#include <string>

#include "state/state.h"

namespace vantrel {

// How one of the program's file dialogs is to be shown. The host's file dialog
// starts from the record's path buffer in the state: a directory followed by a
// pattern ("/home/me/*.map") opens in that directory listing matching files, a
// full path opens beside that file with its name filled in, and an empty buffer
// opens wherever the host likes. On OK the dialog writes the chosen full path into
// `file` and the bare file name into `filetitle`; on Cancel it changes neither.
struct FileRecord {
    enum Mode {
        open,  // the file must exist
        save,  // the folder must exist; an existing file is overwritten only if confirmed
    };
    const char* filtername;  // "Fractint .map files (*.map)", the only filter
    const char* pattern;     // "*.map"
    const char* title;
    const char* defext;  // appended to a typed name that has no extension
    Mode mode;
    std::string State::*file;       // path buffer
    std::string State::*filetitle;  // file-name buffer
};

extern const FileRecord omapn;  // open a MAP palette
extern const FileRecord stgan;  // save an image
extern const FileRecord ovtln;  // open a parameter file
extern const FileRecord svtln;  // save a parameter file

// Sets the path buffers the dialogs start from: the MAP and Targa dialogs list
// their files in the current directory, the parameter dialogs start empty (a file
// named on the command line fills `ovtlfile` later).
void InitOpenFile(State& s);

// Reads the MAP palette named by `mapfile` into `paltemp`: one entry per line of
// three integers (red, green, blue, each kept to its low 8 bits), anything after
// them ignored, the first 256 lines only, black after the last line. Lines are
// read in pieces of at most 99 characters, each piece counting as a line.
// 0 when `paltemp` holds the palette; 1 when the file cannot be read, is not a
// regular file (a FIFO or a device is refused, never waited on) or a line does not
// start with three integers (then `paltemp` may hold the lines before it).
// `palette` is never touched.
int OpenMapFile(State& s);

// The same from an open file, for callers that have one.
int readmap(std::FILE* file, Palette& into);

}  // namespace vantrel

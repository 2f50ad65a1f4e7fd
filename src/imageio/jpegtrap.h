// How the program's own libjpeg readers and writers meet trouble: every failure and every warning
// jumps back to where the caller set the trap (setjmp on `jump`), so that a file damaged in any way
// is left to the library's reader, which decides what can be made of it.
#pragma once

#include <csetjmp>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace tavu {

struct JpegTrap {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

// The error manager to give libjpeg's objects: libjpeg's own, its exits turned into jumps.
inline jpeg_error_mgr* ArmJpegTrap(JpegTrap& trap) {
    jpeg_std_error(&trap.mgr);
    trap.mgr.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JpegTrap*>(c->err)->jump, 1); };
    trap.mgr.emit_message = [](j_common_ptr c, int level) {
        if (level < 0) std::longjmp(reinterpret_cast<JpegTrap*>(c->err)->jump, 1);
    };
    return &trap.mgr;
}

}  // namespace tavu

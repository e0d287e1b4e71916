// Preloaded into the program under test: raises SIGKILL at a chosen file call, or makes an fsync
// fail, inside the program's own file handling, where no printer command marks the moment.
//
//   FAULT_KILL_AT=CALL:N:WHEN:SUFFIX   or   FAULT_KILL_AT=@FILE
//
// CALL is rename (matched on the new name) or fsync (fsync or fdatasync, matched on the file's
// path); the N-th call whose path ends in SUFFIX dies before it runs (WHEN "before") or once it
// has returned ("after"). Other calls pass through untouched. With @FILE the setting is read
// from FILE once it exists, so a test can arm it at a chosen moment of the run.
//
//   FAULT_FSYNC_FAILS=ERRNO:PATHEND[:RENAMED]
//
// An fsync of a path ending in PATHEND fails with ERRNO (EINVAL or EIO) without syncing: every
// time, or with RENAMED only the first one after a rename to a name ending in RENAMED.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static char call_name[16];
static int nth;
static int after;
static char suffix[PATH_MAX];
static int seen;
static char setting_file[PATH_MAX];

static int fail_errno;
static char fail_path_end[PATH_MAX];
static char fail_after_rename[PATH_MAX];
static int fail_armed;  // with fail_after_rename: a matching rename came, no fsync failed since

static void Parse(const char* text) {
    char when[16] = "";
    if (sscanf(text, "%15[^:]:%d:%15[^:]:%4095s", call_name, &nth, when, suffix) != 4) {
        call_name[0] = '\0';
        return;
    }
    after = strcmp(when, "after") == 0;
}

static void ParseFsyncFails(const char* text) {
    char name[16] = "";
    const int fields =
        sscanf(text, "%15[^:]:%4095[^:]:%4095s", name, fail_path_end, fail_after_rename);
    fail_errno = fields < 2 ? 0 : strcmp(name, "EIO") == 0 ? EIO : EINVAL;
    fail_armed = fields == 2;
}

__attribute__((constructor)) static void ReadSetting(void) {
    const char* text = getenv("FAULT_KILL_AT");
    if (text != NULL && text[0] == '@') {
        snprintf(setting_file, sizeof setting_file, "%s", text + 1);
    } else if (text != NULL) {
        Parse(text);
    }
    text = getenv("FAULT_FSYNC_FAILS");
    if (text != NULL) {
        ParseFsyncFails(text);
    }
}

// The setting from its file, once the test has written it.
static void ReadSettingFile(void) {
    char text[PATH_MAX + 64] = "";
    FILE* file = fopen(setting_file, "r");
    if (file == NULL) {
        return;
    }
    if (fgets(text, sizeof text, file) != NULL) {
        Parse(text);
    }
    fclose(file);
}

static int EndsWith(const char* path, const char* end) {
    const size_t length = strlen(path);
    const size_t endLength = strlen(end);
    return length >= endLength && strcmp(path + length - endLength, end) == 0;
}

// 1 when this call is the chosen one.
static int Chosen(const char* call, const char* path) {
    if (call_name[0] == '\0' && setting_file[0] != '\0') {
        ReadSettingFile();
    }
    return strcmp(call_name, call) == 0 && EndsWith(path, suffix) && ++seen == nth;
}

int rename(const char* from, const char* to) {
    static int (*real)(const char*, const char*);
    if (real == NULL) {
        real = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    }
    const int chosen = Chosen("rename", to);
    if (chosen && !after) {
        raise(SIGKILL);
    }
    const int result = real(from, to);
    if (chosen) {
        raise(SIGKILL);
    }
    if (result == 0 && fail_after_rename[0] != '\0' && EndsWith(to, fail_after_rename)) {
        fail_armed = 1;
    }
    return result;
}

static int Sync(const char* call, int fd, int (*real)(int)) {
    char link[64];
    char path[PATH_MAX] = "";
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, path, sizeof path - 1);
    path[length > 0 ? length : 0] = '\0';
    const int chosen = Chosen(call, path);
    if (chosen && !after) {
        raise(SIGKILL);
    }
    if (fail_errno != 0 && fail_armed && EndsWith(path, fail_path_end)) {
        fail_armed = fail_after_rename[0] == '\0';
        errno = fail_errno;
        return -1;
    }
    const int result = real(fd);
    if (chosen) {
        raise(SIGKILL);
    }
    return result;
}

int fsync(int fd) {
    static int (*real)(int);
    if (real == NULL) {
        real = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
    }
    return Sync("fsync", fd, real);
}

// Counted as an fsync: either makes the file durable.
int fdatasync(int fd) {
    static int (*real)(int);
    if (real == NULL) {
        real = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
    }
    return Sync("fsync", fd, real);
}

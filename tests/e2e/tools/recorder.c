/* recorder: stands in for the Command program or a URL handler in the
 * end-to-end tests. Each start appends one line to the file named by the
 * environment variable PATHSTOW_RECORD_FILE, or else to "launches.log" next to
 * this program:
 *     started=<start time>\tcmdline=<GetCommandLineA()>\tcwd=<current directory>
 * in UTF-8, the ANSI code page that the manifest gives the recorder.
 * The start time is the process's creation FILETIME in 100 ns units, as the
 * probe's "procs" gives it. Tabs, CR, LF and backslashes in the values are
 * escaped as \t \r \n \\. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

static size_t put_text(char *out, size_t at, size_t cap, const char *s) {
  for (; *s && at + 2 < cap; s++) {
    char esc = *s == '\t' ? 't' : *s == '\n' ? 'n' : *s == '\r' ? 'r' : *s == '\\' ? '\\' : 0;
    if (esc) out[at++] = '\\';
    out[at++] = esc ? esc : *s;
  }
  return at;
}

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR cmd, int show) {
  /* UTF-8 texts (the manifest): a character may take three bytes. */
  char path[3 * MAX_PATH], cwd[3 * MAX_PATH], record[3 * 32768];
  size_t n = 0;
  (void)inst, (void)prev, (void)cmd, (void)show;
  if (!GetEnvironmentVariableA("PATHSTOW_RECORD_FILE", path, sizeof path) || !path[0]) {
    GetModuleFileNameA(NULL, path, sizeof path);
    char *slash = strrchr(path, '\\');
    strcpy(slash ? slash + 1 : path, "launches.log");
  }
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  n += (size_t)sprintf(record, "started=%llu\t",
                       ((unsigned long long)created.dwHighDateTime << 32) | created.dwLowDateTime);
  GetCurrentDirectoryA(sizeof cwd, cwd);
  n = put_text(record, n, sizeof record, "cmdline=");
  n = put_text(record, n, sizeof record, GetCommandLineA());
  record[n++] = '\t';
  n = put_text(record, n, sizeof record, "cwd=");
  n = put_text(record, n, sizeof record, cwd);
  record[n++] = '\n';
  /* Opened without sharing: two launches at once take turns instead of mixing lines. */
  for (int tries = 0; tries < 250; tries++) {
    HANDLE h =
        CreateFileA(path, FILE_APPEND_DATA, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      BOOL ok = WriteFile(h, record, (DWORD)n, &written, NULL);
      CloseHandle(h);
      return ok && written == n ? 0 : 1;
    }
    Sleep(20);
  }
  return 1;
}

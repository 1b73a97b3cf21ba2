/* What the Wine tests need of a Windows program that is not ours: a GUI parent, as Explorer
 * and the Start menu start programs, and the session's end as Windows sends it.
 *   wine-helper.exe start <program> [arguments...]   starts it, waits, gives its exit code
 *   wine-helper.exe end-session <title> confirm|cancel
 * end-session asks the window with that title whether the session may end, then tells it
 * that it ends (confirm) or that another program refused (cancel), and prints the answer.
 * Built as a GUI program: a console child of it gets a console of its own. */
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

static int start(int argc, wchar_t **argv)
{
    wchar_t line[4096] = L"";
    for (int i = 0; i < argc; ++i) {
        wcsncat(line, L"\"", 4095 - wcslen(line));
        wcsncat(line, argv[i], 4095 - wcslen(line));
        wcsncat(line, L"\" ", 4095 - wcslen(line));
    }
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process;
    if (!CreateProcessW(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return 125;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    return (int)code;
}

static int endSession(const wchar_t *title, BOOL confirm)
{
    HWND window = FindWindowW(NULL, title);
    if (window == NULL)
        return 2;
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                             30000, &answer))
        return 3;
    printf("%d\n", answer != 0);
    fflush(stdout);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_ENDSESSION, confirm, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 30000,
                        &ignored);
    return 0;
}

int main(void)
{
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc >= 3 && wcscmp(argv[1], L"start") == 0)
        return start(argc - 2, argv + 2);
    if (argc == 4 && wcscmp(argv[1], L"end-session") == 0)
        return endSession(argv[2], wcscmp(argv[3], L"confirm") == 0);
    return 64;
}

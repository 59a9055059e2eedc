// tests/support/shotdriver.cpp: moves the running program from one screen to the next for
// scripts/screenshots.sh, which takes the pictures in between. Every step is what a user's
// click would send; the script opens the tray menu and picks its items with the real mouse
// and keyboard.
//   shotdriver wait CAPTION        waits until a dialog with this caption is shown
//   shotdriver push CAPTION ID     presses button ID of that dialog
//   shotdriver text CAPTION ID T   sets the text of control ID of that dialog
//   shotdriver close               closes the program as Exit would
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static HWND WaitForDialog(const char *caption)
{
    for (int i = 0; i < 200; i++) {
        HWND dialog = FindWindowA("#32770", caption);
        if (dialog != NULL && IsWindowVisible(dialog))
            return dialog;
        Sleep(50);
    }
    fprintf(stderr, "shotdriver: no dialog \"%s\"\n", caption);
    return NULL;
}

int main(int argc, char **argv)
{
    if (argc >= 3 && strcmp(argv[1], "wait") == 0)
        return WaitForDialog(argv[2]) != NULL ? 0 : 1;
    if (argc >= 4 && strcmp(argv[1], "push") == 0) {
        HWND dialog = WaitForDialog(argv[2]);
        int id = atoi(argv[3]);
        return dialog != NULL && PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                              (LPARAM)GetDlgItem(dialog, id))
                   ? 0
                   : 1;
    }
    if (argc >= 5 && strcmp(argv[1], "text") == 0) {
        HWND dialog = WaitForDialog(argv[2]);
        return dialog != NULL && SetDlgItemTextA(dialog, atoi(argv[3]), argv[4]) ? 0 : 1;
    }
    if (argc >= 2 && strcmp(argv[1], "close") == 0) {
        HWND main = FindWindowA("tovra_class", NULL);
        return main != NULL && PostMessageA(main, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    fprintf(stderr, "usage: shotdriver wait|push|text|close ...\n");
    return 2;
}

#pragma once
// Drives the real tessaline.exe from another process, as a person would: finds its windows,
// types, clicks, reads and dismisses its message boxes.

#include <windows.h>

#include <string>
#include <vector>

struct MessageBoxSeen
{
    HWND hwnd = nullptr;
    std::wstring title;
    std::wstring text;
    bool hasIcon = false;
};

class Driver
{
  public:
    // Starts tessaline.exe beside the driver with the arguments, in directory (default: the
    // driver's), and waits for its main window.
    explicit Driver(const std::wstring& arguments = L"", const std::wstring& directory = L"");
    // Starts it for batch mode, with no window to wait for: its output goes into a pipe that
    // WaitForExit reads, or without Output it has none, as when started from Explorer.
    enum class Batch
    {
        Output,
        NoOutput,
    };
    Driver(Batch batch, const std::wstring& arguments, const std::wstring& directory);
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    HWND Main() const { return m_main; }
    HWND Control(int row) const;
    std::wstring Text(HWND hwnd) const;
    bool Enabled(int row) const { return IsWindowEnabled(Control(row)) != FALSE; }

    // Types each character into the control, as WM_CHAR from the keyboard; returns when the
    // program has handled them.
    void Type(int row, const std::wstring& text);
    // Replaces the control's text, as a paste over a selection would.
    void SetText(int row, const std::wstring& text);
    // Posted, not sent: a click may open a modal window that would block a sent message.
    // Buttons get BM_CLICK, labels a press and release of the left button.
    void Click(int row);
    // Waits until the program has handled everything sent so far.
    void Settle() const;

    // The next top-level dialog window (#32770) of the program, or null after the timeout.
    HWND WaitForDialog(DWORD timeoutMs = 5000, HWND except = nullptr) const;
    MessageBoxSeen WaitForMessageBox(DWORD timeoutMs = 5000) const;
    void PressOk(HWND dialog) const;
    // Answers the shell's folder picker: selects path (typing is ignored there on Wine) and
    // presses OK, or presses Cancel when path is empty. False when no picker came.
    bool AnswerFolderPicker(const std::wstring& path) const;
    // Answers the open-file dialog with a file name, or cancels it when file is empty.
    bool AnswerOpenDialog(const std::wstring& file) const;
    // Topmost enabled state of the main window: false while a modal window is open.
    bool MainEnabled() const { return IsWindowEnabled(m_main) != FALSE; }

    // Closes the main window and waits for the process to end; returns its exit code.
    DWORD Close();
    // Waits for the process to end; returns its exit code and, with a pipe, what it wrote.
    DWORD WaitForExit(std::string* output = nullptr);
    // Delivers a drop of the paths to the main window as the shell does: a WM_DROPFILES whose
    // handle is a DROPFILES block in the program's memory.
    void Drop(const std::vector<std::wstring>& paths) const;
    bool Running() const;
    DWORD ProcessId() const { return m_process.dwProcessId; }
    std::vector<HWND> TopLevelWindows() const;

  private:
    void Start(const std::wstring& arguments, const std::wstring& directory, DWORD flags,
               HANDLE output);
    // Memory in the program's process, for messages whose pointers it must read or fill.
    void* Remote(size_t bytes) const;
    std::wstring SelectedTreeText(HWND tree) const;

    PROCESS_INFORMATION m_process{};
    HWND m_main = nullptr;
    HANDLE m_output = nullptr; // the pipe's end that reads what a batch run wrote
};

// The Linux/X11 services, for the backend's factory and its tests.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace velmora {

std::unique_ptr<InstanceLock> CreateFlockInstanceLock();
std::unique_ptr<Folders> CreateXdgFolders();
// Works through its own connection to $DISPLAY; without one every call returns false.
std::unique_ptr<WindowPlacement> CreateX11WindowPlacement();
std::unique_ptr<DesktopWindows> CreateX11DesktopWindows();
// Whether the X display of $DISPLAY can be opened; the reason when not.
bool X11DisplayAvailable(std::string* why);
// The key hook opens its connection when started; the sender at once.
std::unique_ptr<KeyHook> CreateX11KeyHook();
std::unique_ptr<InputSender> CreateX11InputSender();
std::unique_ptr<ProcessLauncher> CreatePosixProcessLauncher();

// /proc/PID/exe (an executable replaced on disk counts as itself) and the parent's id.
std::u16string LinuxProcessExePath(ProcessId pid);
ProcessId LinuxParentProcess(ProcessId pid);

std::string XdgDocumentsDir();

// The folders of the XDG base-directory conventions and the program search path, each with
// its default filled in and relative entries dropped.
struct XdgEnvironment {
    std::string home;
    std::string configHome;
    std::vector<std::string> configDirs;
    std::string dataHome;
    std::vector<std::string> dataDirs;
    std::vector<std::string> path;
    std::vector<std::string> desktops;  // XDG_CURRENT_DESKTOP, lower case
    static XdgEnvironment FromVariables(const std::function<const char*(const char*)>& get);
};

// Reads the desktop's files only; see DefaultBrowser::Find.
std::unique_ptr<DefaultBrowser> CreateXdgDefaultBrowser();
std::string FindDefaultBrowser(const XdgEnvironment& env);
// The program word of a desktop entry's Exec value (escapes and quotes undone, field codes
// and a leading "env NAME=value ..." skipped); empty when there is none.
std::string ExecProgram(std::string_view exec);
// `program` as a full path: given in full, or found in `path`; then its real file, except
// behind snap's launcher. Empty when it is not an executable file.
std::string ResolveProgram(const std::string& program, const std::vector<std::string>& path);

}  // namespace velmora

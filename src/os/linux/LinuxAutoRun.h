// The autorun entry as a desktop autostart entry: the value name's ".desktop" file in
// ${XDG_CONFIG_HOME:-~/.config}/autostart, whose Exec line holds the value's command line.
#pragma once

#include "os/Registry.h"

namespace os {

class LinuxAutoRun : public AutoRunStore {
public:
    // Creates the autostart folder when it is missing.
    bool OpenRunKey() override;
    // Replaces the entry at once (temporary file, then rename).
    bool SetRunValue(const std::string& name, const std::string& data) override;
    bool DeleteRunValue(const std::string& name) override;
    bool QueryRunValue(const std::string& name, std::string& data) override;
    void CloseRunKey() override;

    // The folder of the entries; empty when no home folder is known.
    static std::string AutostartFolder();
    // The Exec value standing for a Windows command line, and back.
    static std::string ExecOfCommandLine(const std::string& commandLine);
    static std::string CommandLineOfExec(const std::string& exec);

private:
    std::string EntryPath(const std::string& name) const;
};

} // namespace os

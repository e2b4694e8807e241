// orvixcheck: tells in a minute whether a till's pole display works through ORVIX.DLL. The
// three things it does, one per source file: the check of the display (check.cpp), the
// search for the display among the serial ports (scan.cpp) and the support report
// (report.cpp).
#pragma once
#include <string>
#include <vector>

namespace orvixcheck {

// The exit code for a command line that orvixcheck does not understand.
constexpr int kExitUsage = 64;

// Creates OPOS.ORVIX, opens `deviceName`, claims, enables, runs the internal health check,
// shows "ORVIX check" and the time, releases and closes. 0 when the display worked,
// otherwise the number of the step that failed.
int RunCheck(const std::string& deviceName);

// Asks every serial port for the display's model. 0 when a KVD5100 or KVD5130 answered.
int RunScan();

// Writes the support report to `file`. 0 when it was written.
int RunReport(const std::string& file, const std::vector<std::string>& logFolders);

// "64-bit" or "32-bit": this program's bitness, which is that of the ORVIX.DLL it loads and
// of the registry view it reads.
const char* ProgramBitness();

// Whether Windows itself is 64-bit (and so has a 32-bit and a 64-bit registry view).
bool WindowsIs64Bit();

// The file version of a module's version block, as 1.0.0.4; empty when it has none.
std::string FileVersionOf(const std::string& path);

}  // namespace orvixcheck

#pragma once
#include <termios.h>

#include <string>

namespace orvix::vpd {

// The line settings that a client has put on the pty, as "key=value" lines (each ending
// in a line feed): baud, stop-bits, parity, data-bits and the flow-control flags.
std::string DescribeTermios(const termios& settings);

}  // namespace orvix::vpd

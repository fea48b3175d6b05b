// `mkt450 send STREAM.prn --to tcp://HOST[:PORT] | --to /dev/usb/lp0 | --to FILE
//  [--timeout SECONDS]`: delivers a command stream to a printer unchanged.
// Exit status: 0 delivered, 1 the printer could not be reached or the
// connection broke (the message gives the bytes delivered), 2 unusable input.
#pragma once

namespace mkt::send {

int SendMain(int argc, char** argv);

}  // namespace mkt::send

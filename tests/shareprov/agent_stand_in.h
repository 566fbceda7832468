// The status agent's side of the share provider's queues, as a child process
// of the test program (role "agent"). It creates the global request queue (so
// the provider finds the agent running), writes its process id to
// "ProcessID", prints "ready", takes the provider's announcement and then runs
// its arguments as a script, one command each:
//
//   take              wait for the next request entry and print it:
//                     "req cmd=<CMD> rid=<requestId> ch=<channel> name=<printer> nm=<NM> data=<hex>"
//   ack | ack0        acknowledge the last taken request, send flag 1 or 0
//   reply:R:D         reply to the last taken request with result R and data D
//   replyto:K:R:D     the same for the K-th taken request (from 0)
//                     D is hex bytes, "-" for none, or "echo": one 8-byte
//                     channel entry holding the request's printer name
//   peek              print "slot-empty" or "slot-busy" for the request queue
//   sleep:N           pause N ms
//   await             wait until the test sets the event kGoEvent, print "go"
//   lock              take the request queue's mutex, print "locked", wait to be killed
//   twpid:N           serve provider N without waiting for an announcement
//
// When the script is done it waits for the provider's detach entry (CMD 37)
// and prints "detach".
#pragma once

inline constexpr const char* kGoEvent = "TwpShareTestGo";

#include "platform/DdeErrors.h"

namespace tsly {

std::string ddeErrorDescription(int error) {
  switch (error) {
    case 5: return "Invalid procedure call or argument";
    case 7: return "Out of memory";
    case 53: return "File not found";
    case 70: return "Permission denied";
    case 75: return "Path/File access error";
    case 76: return "Path not found";
    case 280: return "DDE channel not fully closed; awaiting response from foreign application";
    case 281: return "No more DDE channels";
    case 282: return "No foreign application responded to a DDE initiate";
    case 283: return "Multiple applications responded to a DDE initiate";
    case 284: return "DDE channel locked";
    case 285: return "Foreign application won't perform DDE method or operation";
    case 286: return "Timeout while waiting for DDE response";
    case 287: return "User pressed Escape key during DDE operation";
    case 288: return "Destination is busy";
    case 289: return "Data not provided in DDE operation";
    case 290: return "Data in wrong format";
    case 291: return "Foreign application quit";
    case 292: return "DDE conversation closed or changed";
    case 293: return "DDE method invoked with no channel open";
    case 294: return "Invalid DDE Link format";
    case 295: return "Message queue filled; DDE message lost";
    case 296: return "PasteLink already performed on this control";
    case 297: return "Can't set LinkMode; invalid LinkTopic";
    case 298: return "System DDE DLL could not be loaded";
    default: return "Application-defined or object-defined error";
  }
}

}  // namespace tsly

#include "jobs/core/JobLink.h"

#include "jobs/core/JobsTexts.h"
#include "platform/DdeErrors.h"
#include "shared/State.h"

namespace tsly {

namespace {

using namespace linktext;

std::string joinLines(std::initializer_list<std::string> lines) {
  std::string text;
  bool first = true;
  for (const auto& l : lines) {
    if (!first) text += CrLf;
    text += l;
    first = false;
  }
  return text;
}

}  // namespace

void JobLink::linkstart(const std::string& application, const std::string& topic) {
  // Link mode none, then the topic, then manual mode: the old conversation (if
  // any) ends before the new one is opened.
  client_.disconnect();
  int error = client_.connect(application, topic);
  if (error == 0) {
    ddelinked_ = true;
    return;
  }
  if (error == ErrDdeNoAppResponded) {
    // Nobody listens: start the editor by its bare name through PATH and try once more.
    if (!client_.startProgram(application)) {
      error = ErrFileNotFound;
    } else {
      client_.disconnect();
      error = client_.connect(application, topic);
      if (error == 0) {
        ddelinked_ = true;
        return;
      }
    }
  }
  ddelinked_ = false;
  std::string text = joinLines({StartupErrorLine1, "", client_.errorDescription(error), ""});
  if (error == ErrFileNotFound) {
    text += CrLf;
    text += joinLines({NotFoundLine1, NotFoundLine2, NotFoundLine3});
  }
  ui_.message(text, StartupErrorTitle, Buttons::Ok, Icon::Information);
}

bool JobLink::exchangeFailed(int error) {
  if (error == 0) return false;
  ++lost_;
  // Only a DDE failure is reported (and takes the link down); any other failure
  // ends the exchange silently.
  if (isDdeError(error)) linkfailure(client_.errorDescription(error));
  return true;
}

void JobLink::linkcommand(const std::string& command, const std::string& value1,
                          const std::string& value2, const std::string& value3) {
  if (!ddelinked_) {
    ++lost_;
    linkrestart();
    return;
  }
  if (exchangeFailed(client_.poke("dde1", value1))) return;
  if (exchangeFailed(client_.poke("dde2", value2))) return;
  if (exchangeFailed(client_.poke("dde3", value3))) return;
  exchangeFailed(client_.execute(command));
}

void JobLink::linkrequest(std::string& out1, std::string& out2, std::string& out3) {
  if (!ddelinked_) {
    ++lost_;
    linkrestart();
    return;
  }
  std::string value;
  if (exchangeFailed(client_.request("dde1", value))) return;
  out1 = value;
  value.clear();
  if (exchangeFailed(client_.request("dde2", value))) return;
  out2 = value;
  value.clear();
  if (exchangeFailed(client_.request("dde3", value))) return;
  out3 = value;
}

void JobLink::linkaddline(const std::string& line, std::int16_t sw) {
  if (!ddelinked_) {
    ++lost_;
    linkrestart();
    return;
  }
  linkcommand("add", line, std::to_string(sw), "");
}

void JobLink::linkrestart() {
  ui_.message(joinLines({NoConnectionLine1, NoConnectionLine2, NoConnectionLine3}), NoConnectionTitle, Buttons::Ok,
              Icon::Information);
  Answer a = ui_.message(RestartQuestion, RestartTitle, Buttons::YesNo, Icon::Question);
  // The exchange that found the link down is not repeated, even after a successful restart.
  if (a == Answer::Yes) linkstart(JobEditorApp, JobEditorTopic);
}

void JobLink::linkfailure(const std::string& description) {
  ddelinked_ = false;
  ui_.message(joinLines({FailureLine1, FailureLine2, "", description, "", FailureLine3, FailureLine4, FailureLine5}),
              FailureTitle, Buttons::Ok, Icon::Exclamation);
}

}  // namespace tsly

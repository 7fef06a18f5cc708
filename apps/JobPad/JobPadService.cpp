#include "JobPadService.h"

#include "platform/DdeErrors.h"

namespace tsly {

namespace {

bool sameText(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return i == a.size() && b[i] == '\0';
}

}  // namespace

int JobPadService::itemIndex(const std::string& item) {
  if (sameText(item, "dde1")) return 1;
  if (sameText(item, "dde2")) return 2;
  if (sameText(item, "dde3")) return 3;
  return 0;
}

bool JobPadService::acceptConnect(const std::string& application, const std::string& topic) {
  return sameText(application, "JobPad") && sameText(topic, "orogdde");
}

int JobPadService::poke(const std::string& item, const std::string& value) {
  const int i = itemIndex(item);
  if (i == 0) return ErrDdeWontPerform;
  items_[static_cast<std::size_t>(i - 1)] = value;
  return 0;
}

int JobPadService::request(const std::string& item, std::string& value) {
  const int i = itemIndex(item);
  if (i == 0) return ErrDdeDataNotProvided;
  value = items_[static_cast<std::size_t>(i - 1)];
  return 0;
}

int JobPadService::execute(const std::string& command) {
  if (sameText(command, "show")) {
    if (onShow) onShow();
    return 0;
  }
  if (sameText(command, "add")) {
    if (onAdd && !onAdd(items_[0])) return ErrDdeWontPerform;
    return 0;
  }
  if (sameText(command, "pathtoorog")) {
    orogPath = items_[0];
    if (onPathsChanged) onPathsChanged();
    return 0;
  }
  if (sameText(command, "lastpath")) {
    lastPath = items_[0];
    if (onPathsChanged) onPathsChanged();
    return 0;
  }
  if (sameText(command, "getpathtoorog")) {
    items_[0] = orogPath;
    return 0;
  }
  return ErrDdeWontPerform;
}

}  // namespace tsly

#include "web/cookies.h"

#include "text/markers.h"

namespace velmora {

Text CookieName(std::string_view item) {
  const int equals = Find(item, "=");
  return Trim(equals == -1 ? item : item.substr(0, static_cast<std::size_t>(equals - 1)));
}

bool HasCookieName(const TextList& items, std::string_view name) {
  for (const Text& item : items) {
    if (CookieName(item) == name) {
      return true;
    }
  }
  return false;
}

int IndexOfItem(const TextList& items, std::string_view item) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i] == item) {
      return static_cast<int>(i) + 1;
    }
  }
  return -1;
}

Text RemoveDuplicateItems(std::string_view text, std::string_view delimiter) {
  TextList kept;
  for (Text& item : Split(text, delimiter)) {
    if (IndexOfItem(kept, item) == -1) {
      kept.push_back(std::move(item));
    }
  }
  return Join(kept, delimiter);
}

std::optional<Text> SetCookieItem(std::string_view line) {
  if (TextLeftOf(line, ": ") != "Set-Cookie") {
    return std::nullopt;
  }
  if (Find(line, ";") != -1) {
    return Trim(TextBetween(line, "Set-Cookie:", ";"));
  }
  return Trim(Replace(line, "Set-Cookie:", "", 1, -1, false));
}

Text ReturnedCookies(std::string_view headerText) {
  Text cookies;
  for (const Text& line : Split(headerText, "\r\n")) {
    if (std::optional<Text> item = SetCookieItem(line)) {
      cookies += *item;
      cookies += "; ";
    }
  }
  return Left(cookies, static_cast<int>(cookies.size()) - 2);
}

Text ResponseCookies(std::string_view headerText, Text* cookies, bool merge) {
  Text returned = ReturnedCookies(headerText);
  if (merge && cookies != nullptr) returned = MergeCookies(*cookies, returned);
  return returned;
}

Text MergeCookies(Text& oldCookies, Text& newCookies) {
  oldCookies = RemoveSpaces(oldCookies);
  newCookies = RemoveSpaces(newCookies);
  const TextList oldItems = Split(oldCookies, ";");
  TextList newItems = Split(newCookies, ";");
  // Old items are tested against the growing list, so of several old items
  // with one name only the first survives.
  for (const Text& item : oldItems) {
    if (!HasCookieName(newItems, CookieName(item))) {
      newItems.push_back(item);
    }
  }
  oldCookies.clear();
  for (const Text& item : newItems) {
    // A server deletes a cookie by setting it to "deleted"; the older value of
    // that name was already displaced above, so both disappear.
    if (Right(item, 8) != "=deleted") {
      oldCookies += item;
      oldCookies += "; ";
    }
  }
  oldCookies = Left(oldCookies, static_cast<int>(oldCookies.size()) - 2);
  oldCookies = RemoveDuplicateItems(oldCookies, "; ");
  return oldCookies;
}

}  // namespace velmora

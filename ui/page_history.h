// The pages the results view has shown, for Back and Forward: the last results, archived
// documents, help, the title page and the other pages the window writes. Each entry is a
// document's path with the anchor last scrolled to; a document shown again right after itself
// (a re-roll, a note edit) replaces its entry rather than adding one.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fablewick {

class PageHistory {
 public:
  struct Page {
    std::string path;
    std::string anchor;
  };

  // Records `page` as the one now shown: it becomes the newest entry and the pages that were
  // ahead of the current one are dropped, as a browser does.
  void Visit(const Page& page);
  bool CanGoBack() const { return current_ > 0; }
  bool CanGoForward() const { return current_ + 1 < pages_.size(); }
  // Moves one page back or forward and returns it; nullopt when there is none.
  std::optional<Page> Back();
  std::optional<Page> Forward();
  // Forgets every page for which `gone` is true (its file was deleted); the current page stays
  // current when it is kept, else the newest kept page before it becomes current.
  void Forget(const std::function<bool(const Page&)>& gone);
  const Page* Current() const { return pages_.empty() ? nullptr : &pages_[current_]; }

 private:
  std::vector<Page> pages_;
  std::size_t current_ = 0;
};

}  // namespace fablewick

#include "ui/page_history.h"

#include <algorithm>
#include <utility>

namespace fablewick {

void PageHistory::Visit(const Page& page) {
  if (!pages_.empty()) {
    pages_.resize(current_ + 1);
    if (pages_.back().path == page.path) {
      pages_.back() = page;
      return;
    }
  }
  pages_.push_back(page);
  current_ = pages_.size() - 1;
}

std::optional<PageHistory::Page> PageHistory::Back() {
  if (!CanGoBack()) return std::nullopt;
  return pages_[--current_];
}

std::optional<PageHistory::Page> PageHistory::Forward() {
  if (!CanGoForward()) return std::nullopt;
  return pages_[++current_];
}

void PageHistory::Forget(const std::function<bool(const Page&)>& gone) {
  std::size_t kept_before_current = 0;
  std::vector<Page> kept;
  for (std::size_t index = 0; index < pages_.size(); ++index) {
    if (gone(pages_[index])) continue;
    if (index <= current_) ++kept_before_current;
    // Two copies of one page that now stand side by side become one.
    if (!kept.empty() && kept.back().path == pages_[index].path) {
      if (index <= current_) --kept_before_current;
      kept.back() = pages_[index];
      continue;
    }
    kept.push_back(pages_[index]);
  }
  pages_ = std::move(kept);
  current_ = kept_before_current == 0 ? 0 : kept_before_current - 1;
  current_ = std::min(current_, pages_.empty() ? 0 : pages_.size() - 1);
}

}  // namespace fablewick

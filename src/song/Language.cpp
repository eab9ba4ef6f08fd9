#include "song/Language.h"

#include <atomic>

namespace cv {

namespace {
std::atomic<TLanguage> currentLanguage{TLanguage::Deutsch};
}

TLanguage CurrLanguage() { return currentLanguage.load(std::memory_order_relaxed); }
void SetCurrLanguage(TLanguage language) { currentLanguage.store(language, std::memory_order_relaxed); }

}  // namespace cv

#include "path_corpus.h"

#include <random>

namespace bench {
namespace {

struct vocabulary {
    std::vector<std::u16string> roots;
    std::vector<std::u16string> folders;
    std::vector<std::u16string> words;
    std::u16string rare_word;  // appears in about one name in 5000
};

const vocabulary& ascii_vocabulary() {
    static const vocabulary v = {
        {u"C:\\Users\\alex", u"D:\\", u"C:\\Program Files"},
        {u"Documents", u"Downloads", u"Pictures", u"Music",   u"Videos",      u"Projects",
         u"src",       u"include",   u"build",    u"Archive", u"Backup",      u"Photos",
         u"Work",      u"Invoices",  u"Taxes",    u"Holiday", u"Camera Roll", u"node_modules",
         u"assets",    u"docs",      u"test",     u"lib",     u"bin",         u"Screenshots",
         u"AppData",   u"Local",     u"Temp",     u"Clients", u"Drafts",      u"Old"},
        {u"report",   u"invoice",  u"budget",       u"notes",     u"meeting", u"summary",
         u"draft",    u"final",    u"photo",        u"IMG",       u"DSC",     u"scan",
         u"letter",   u"contract", u"presentation", u"readme",    u"setup",   u"config",
         u"main",     u"index",    u"utils",        u"test",      u"data",    u"backup",
         u"resume",   u"plan",     u"schedule",     u"recipe",    u"song",    u"track",
         u"video",    u"clip",     u"screenshot",   u"quarterly", u"annual",  u"review",
         u"proposal", u"minutes",  u"agenda",       u"Copy of"},
        u"xylophone_sonata"};
    return v;
}

const vocabulary& non_latin_vocabulary() {
    static const vocabulary v = {
        {u"C:\\Users\\\u0410\u043b\u0435\u043a\u0441\u0435\u0439", u"D:\\",
         u"C:\\Users\\\u674e\u660e"},
        {u"\u0414\u043e\u043a\u0443\u043c\u0435\u043d\u0442\u044b",        // Документы
         u"\u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438",              // Загрузки
         u"\u0424\u043e\u0442\u043e\u0433\u0440\u0430\u0444\u0438\u0438",  // Фотографии
         u"\u041c\u0443\u0437\u044b\u043a\u0430",                          // Музыка
         u"\u0410\u0440\u0445\u0438\u0432",                                // Архив
         u"\u0420\u0430\u0431\u043e\u0442\u0430",                          // Работа
         u"\u0388\u03b3\u03b3\u03c1\u03b1\u03c6\u03b1",                    // Έγγραφα
         u"\u039b\u03ae\u03c8\u03b5\u03b9\u03c2",                          // Λήψεις
         u"\u0395\u03b9\u03ba\u03cc\u03bd\u03b5\u03c2",                    // Εικόνες
         u"\u6587\u6863",
         u"\u4e0b\u8f7d",
         u"\u56fe\u7247",
         u"\u97f3\u4e50",
         u"\u9879\u76ee",
         u"\u5199\u771f",
         u"\u30c9\u30ad\u30e5\u30e1\u30f3\u30c8",
         u"\uc0ac\uc9c4",
         u"\ubb38\uc11c",
         u"2019",
         u"2020",
         u"2021"},
        {u"\u0434\u043e\u043a\u0443\u043c\u0435\u043d\u0442",                    // документ
         u"\u043e\u0442\u0447\u0451\u0442",                                      // отчёт
         u"\u0441\u0447\u0451\u0442",                                            // счёт
         u"\u0431\u044e\u0434\u0436\u0435\u0442",                                // бюджет
         u"\u0437\u0430\u043c\u0435\u0442\u043a\u0438",                          // заметки
         u"\u0432\u0441\u0442\u0440\u0435\u0447\u0430",                          // встреча
         u"\u0447\u0435\u0440\u043d\u043e\u0432\u0438\u043a",                    // черновик
         u"\u0444\u043e\u0442\u043e",                                            // фото
         u"\u043f\u0438\u0441\u044c\u043c\u043e",                                // письмо
         u"\u0434\u043e\u0433\u043e\u0432\u043e\u0440",                          // договор
         u"\u043f\u0440\u0435\u0437\u0435\u043d\u0442\u0430\u0446\u0438\u044f",  // презентация
         u"\u041f\u043b\u0430\u043d",                                            // План
         u"\u0440\u0435\u0446\u0435\u043f\u0442",                                // рецепт
         u"\u03ad\u03ba\u03b8\u03b5\u03c3\u03b7",                                // έκθεση
         u"\u03c4\u03b9\u03bc\u03bf\u03bb\u03cc\u03b3\u03b9\u03bf",        // τιμολόγιο
         u"\u03c3\u03b7\u03bc\u03b5\u03b9\u03ce\u03c3\u03b5\u03b9\u03c2",  // σημειώσεις
         u"\u03a6\u03c9\u03c4\u03bf\u03b3\u03c1\u03b1\u03c6\u03af\u03b1",  // Φωτογραφία
         u"\u62a5\u544a",
         u"\u53d1\u7968",
         u"\u9884\u7b97",
         u"\u7b14\u8bb0",
         u"\u4f1a\u8bae",
         u"\u8349\u7a3f",
         u"\u7167\u7247",
         u"\u5408\u540c",
         u"\u8ba1\u5212",
         u"\u65e5\u7a0b",
         u"\u5831\u544a\u66f8",
         u"\u5199\u771f",
         u"\u8b70\u4e8b\u9332",
         u"\ubcf4\uace0\uc11c",
         u"\uc0ac\uc9c4",
         u"IMG",
         u"scan"},
        u"\u043a\u0441\u0438\u043b\u043e\u0444\u043e\u043d_\u0441\u043e\u043d\u0430\u0442\u0430"};
    return v;  // the rare word: ксилофон_соната
}

const std::vector<std::u16string> extensions = {u".txt",  u".docx", u".pdf",  u".jpg", u".png",
                                                u".mp3",  u".mp4",  u".cpp",  u".h",   u".xlsx",
                                                u".pptx", u".zip",  u".json", u".md",  u".py"};
const std::vector<std::u16string> joiners = {u"_", u" ", u"-", u""};

class builder {
  public:
    builder(const vocabulary& v, uint32_t seed) : v_(v), rng_(seed) {}

    size_t below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }
    template <typename T>
    const T& pick(const std::vector<T>& items) {
        return items[below(items.size())];
    }

    std::u16string number(uint32_t digits) {
        std::u16string s;
        for (uint32_t i = 0; i < digits; ++i) {
            s += static_cast<char16_t>(u'0' + below(10));
        }
        return s;
    }

    std::u16string word() { return below(5000) == 0 ? v_.rare_word : pick(v_.words); }

    std::u16string file_name() {
        std::u16string name = word();
        size_t extra = below(3);
        for (size_t i = 0; i < extra; ++i) {
            name += pick(joiners) + word();
        }
        switch (below(4)) {
            case 0:
                name += u"_" + number(4);
                break;
            case 1:
                name += u" (" + number(1) + u")";
                break;
            default:
                break;
        }
        return name + pick(extensions);
    }

    std::u16string folder_name() {
        std::u16string name = pick(v_.folders);
        if (below(4) == 0) {
            name += u" " + number(4);
        }
        return name;
    }

  private:
    const vocabulary& v_;
    std::mt19937_64 rng_;
};

const vocabulary& vocabulary_of(script kind) {
    return kind == script::mostly_ascii ? ascii_vocabulary() : non_latin_vocabulary();
}

}  // namespace

corpus make_corpus(script kind, uint32_t entry_count, uint32_t seed) {
    // About twenty entries per directory.
    auto roots = static_cast<uint32_t>(vocabulary_of(kind).roots.size());
    return make_corpus(kind, entry_count, entry_count / 20 + roots, seed);
}

corpus make_corpus(script kind, uint32_t entry_count, uint32_t dir_count, uint32_t seed) {
    const vocabulary& v = vocabulary_of(kind);
    builder b(v, seed);
    corpus c;
    c.dirs = v.roots;
    // New directories mostly hang below recent ones, so the tree grows deep in places, as real
    // trees do.
    while (c.dirs.size() < dir_count) {
        size_t parent = b.below(3) != 0 && c.dirs.size() > 200 ? c.dirs.size() - 1 - b.below(200)
                                                               : b.below(c.dirs.size());
        c.dirs.push_back(c.dirs[parent] + u"\\" + b.folder_name());
    }
    const uint64_t ten_years = 10ull * 365 * 24 * 3600 * 10000000;
    const uint64_t start = 637134336000000000ull;  // 2020-01-01
    for (uint32_t i = 0; i < entry_count; ++i) {
        bool folder = b.below(10) == 0;
        c.entries.push_back({static_cast<uint32_t>(b.below(c.dirs.size())),
                             folder ? b.folder_name() : b.file_name(), start + b.below(ten_years),
                             folder ? 1u : 0u});
    }
    return c;
}

}  // namespace bench

// Writes a realistic phone book of N entries into DIR/database.db: Turkish names and
// surnames with their letters, phone, mobile and e-mail, and no e-mail for one in ten.
// Usage: generate_phonebook N DIR
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace
{

const char *const firstNames[] = {
    "Ayşe",     "Fatma",    "Emine",  "Hatice",  "Zeynep", "Elif",   "Meryem",   "Şerife",
    "Zehra",    "Sultan",   "Hülya",  "Özlem",   "Gülşen", "Çiğdem", "İpek",     "Büşra",
    "Gökçe",    "Şule",     "Mehmet", "Mustafa", "Ahmet",  "Ali",    "Hüseyin",  "Hasan",
    "İbrahim",  "İsmail",   "Osman",  "Yusuf",   "Murat",  "Ömer",   "Ramazan",  "Halil",
    "Süleyman", "Abdullah", "Mahmut", "Recep",   "Çağrı",  "Doğan",  "Ertuğrul", "Gökhan",
    "Ilgaz",    "Oğuz",     "Şükrü",  "Tuğba",   "Ümit"};
const char *const surnames[] = {
    "Yılmaz",  "Kaya",   "Demir", "Şahin", "Çelik",   "Yıldız", "Yıldırım", "Öztürk", "Aydın",
    "Özdemir", "Arslan", "Doğan", "Kılıç", "Aslan",   "Çetin",  "Kara",     "Koç",    "Kurt",
    "Özkan",   "Şimşek", "Polat", "Öz",    "Korkmaz", "Çakır",  "Erdoğan",  "Yavuz",  "Can",
    "Acar",    "Şen",    "Aktaş", "Güler", "Yalçın",  "Güneş",  "Bozkurt",  "Bulut",  "Keskin",
    "Ünal",    "Turan",  "Gül",   "Özer",  "İşık",    "Kaplan", "Avcı",     "Sarı",   "Tekin"};
const char *const domains[] = {"gmail.com",   "hotmail.com",  "yandex.com.tr",
                               "outlook.com", "ornek.com.tr", "firma.com.tr"};
const char *const areaCodes[] = {"0212", "0216", "0312", "0232", "0224", "0242", "0322", "0462"};

// ASCII for the e-mail's local part: ş -> s, ğ -> g, ...
std::string asciiLower(const std::string &text)
{
    static const std::pair<const char *, const char *> letters[] = {
        {"ş", "s"}, {"Ş", "s"}, {"ğ", "g"}, {"Ğ", "g"}, {"ç", "c"}, {"Ç", "c"},
        {"ö", "o"}, {"Ö", "o"}, {"ü", "u"}, {"Ü", "u"}, {"ı", "i"}, {"İ", "i"}};
    std::string result;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto &[from, to] : letters) {
            const std::string f(from);
            if (text.compare(i, f.size(), f) == 0) {
                result += to;
                i += f.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            const char c = text[i++];
            result += char(c >= 'A' && c <= 'Z' ? c + 32 : c);
        }
    }
    return result;
}

void check(int status, sqlite3 *db, const char *what)
{
    if (status != SQLITE_OK && status != SQLITE_DONE) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: generate_phonebook N DIR\n");
        return 2;
    }
    const long count = std::strtol(argv[1], nullptr, 10);
    const std::string path = std::string(argv[2]) + "/database.db";
    const auto started = std::chrono::steady_clock::now();
    std::remove(path.c_str());

    sqlite3 *db = nullptr;
    check(sqlite3_open(path.c_str(), &db), db, "open");
    check(sqlite3_exec(db,
                       "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
                       "CREATE TABLE TELEFON (id INTEGER PRIMARY KEY AUTOINCREMENT, adsoyad TEXT, "
                       "telefon TEXT, cep TEXT, mail TEXT); BEGIN;",
                       nullptr, nullptr, nullptr),
          db, "create");
    sqlite3_stmt *insert = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO TELEFON VALUES(NULL,?,?,?,?)", -1, &insert, nullptr),
          db, "prepare");

    std::mt19937_64 random(20261207);
    auto pick = [&random](const auto &list) {
        return std::string(list[random() % (sizeof list / sizeof list[0])]);
    };
    auto digits = [&random](int n) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += char('0' + random() % 10);
        return text;
    };
    for (long i = 0; i < count; ++i) {
        const std::string first = pick(firstNames);
        const std::string last = pick(surnames);
        const std::string name = first + " " + last;
        const std::string phone =
            pick(areaCodes) + " " + digits(3) + " " + digits(2) + " " + digits(2);
        const std::string mobile =
            "05" + digits(2) + " " + digits(3) + " " + digits(2) + " " + digits(2);
        const std::string mail =
            asciiLower(first) + "." + asciiLower(last) + digits(2) + "@" + pick(domains);
        sqlite3_bind_text(insert, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, phone.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, mobile.c_str(), -1, SQLITE_TRANSIENT);
        if (random() % 10 == 0)
            sqlite3_bind_null(insert, 4);
        else
            sqlite3_bind_text(insert, 4, mail.c_str(), -1, SQLITE_TRANSIENT);
        check(sqlite3_step(insert), db, "insert");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    check(sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%ld entries written to %s in %.2f s\n", count, path.c_str(), seconds);
    return 0;
}

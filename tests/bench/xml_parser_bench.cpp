// Parse plus contact extraction of generated company address books, from the
// UTF-8 bytes the server sends to the contact list, against pugixml doing
// the same job when built with TW_BENCH_PUGIXML (link pugixml). Sizes span a
// small office to a large group. Run with
// --benchmark_enable_random_interleaving=true and repetitions, so both
// share the machine's load alike.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/utf_convert.h"
#include "sync/exchange_format.h"

#ifdef TW_BENCH_PUGIXML
#include <pugixml.hpp>
#endif

namespace {

struct Surname {
  const char* hanzi;
  const char* pinyin;
};

constexpr Surname kSurnames[] = {
    {"王", "wang"},     {"李", "li"},     {"张", "zhang"},   {"刘", "liu"},  {"陈", "chen"},
    {"杨", "yang"},     {"黄", "huang"},  {"赵", "zhao"},    {"吴", "wu"},   {"周", "zhou"},
    {"徐", "xu"},       {"孙", "sun"},    {"马", "ma"},      {"朱", "zhu"},  {"胡", "hu"},
    {"郭", "guo"},      {"何", "he"},     {"高", "gao"},     {"林", "lin"},  {"罗", "luo"},
    {"郑", "zheng"},    {"梁", "liang"},  {"谢", "xie"},     {"宋", "song"}, {"唐", "tang"},
    {"欧阳", "ouyang"}, {"司马", "sima"}, {"诸葛", "zhuge"},
};

constexpr const char* kGivenChars[] = {
    "伟", "芳", "娜", "秀", "英", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳",
    "杰", "娟", "涛", "明", "超", "兰", "霞", "平", "刚", "桂", "华", "玉", "萍", "红",
    "玲", "燕", "春", "梅", "琳", "云", "雪", "荣", "佳", "嘉", "琼", "珍", "莉", "晶",
    "婷", "倩", "颖", "露", "瑶", "怡", "丹", "宁", "欣", "志", "建", "国", "文", "斌",
};

// A deterministic answer of `persons` contacts, shaped like the server's.
std::string MakeAnswer(int persons) {
  std::uint32_t seed = 20130502;
  auto next = [&seed](std::uint32_t bound) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % bound;
  };
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<addressbooks>\r\n";
  for (int i = 0; i < persons; ++i) {
    const Surname& surname = kSurnames[next(std::size(kSurnames))];
    std::string given = kGivenChars[next(std::size(kGivenChars))];
    if (next(3) != 0) given += kGivenChars[next(std::size(kGivenChars))];
    xml += "<person Name=\"";
    xml += surname.hanzi;
    xml += given;
    xml += "\" E-Mail=\"";
    xml += surname.pinyin;
    xml += '.';
    xml += std::to_string(i);
    xml += "@tarnwell.example\"/>\r\n";
  }
  xml += "</addressbooks>\r\n";
  return xml;
}

const std::string& AnswerOf(int persons) {
  static std::map<int, std::string> cache;
  auto [it, added] = cache.try_emplace(persons);
  if (added) it->second = MakeAnswer(persons);
  return it->second;
}

void Report(benchmark::State& state, const std::string& answer) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * answer.size()));
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetComplexityN(state.range(0));
}

void CheckCount(benchmark::State& state, const AddressBookAnswer& read) {
  if (read.contacts.size() != static_cast<std::size_t>(state.range(0))) {
    state.SkipWithError("wrong contact count");
  }
}

// Ours: the run's parse step, from the answer as the fetcher keeps it (its
// UTF-8, already checked) to the contact list the writer gets. The answer
// is copied first, as pugixml copies its input.
void BM_Ours(benchmark::State& state) {
  const AnswerText kept(AnswerOf(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    AddressBookAnswer read = ReadAnswerText(AnswerText(kept));
    CheckCount(state, read);
    benchmark::DoNotOptimize(read);
  }
  Report(state, kept.Utf8());
}

// The same from the bytes as they arrive: the fetcher's UTF-8 check too.
void BM_OursFromBytes(benchmark::State& state) {
  const std::string& answer = AnswerOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    AddressBookAnswer read = ReadAnswerText(AnswerText(std::string(answer)));
    CheckCount(state, read);
    benchmark::DoNotOptimize(read);
  }
  Report(state, answer);
}

// What an Outlook or address-book run adds: each contact decoded to UTF-16.
void BM_OursWithUtf16(benchmark::State& state) {
  const AnswerText kept(AnswerOf(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    AddressBookAnswer read = ReadAnswerText(AnswerText(kept));
    CheckCount(state, read);
    for (const AddrContact& contact : read.contacts) benchmark::DoNotOptimize(contact);
  }
  Report(state, kept.Utf8());
}

#ifdef TW_BENCH_PUGIXML
struct YardstickContact {
  std::u16string name;
  std::u16string email;
};

// The yardstick does the same job with pugixml: parse the same bytes (its
// load_buffer copies them, as ours does), walk the person elements of the
// address book and copy both attributes into UTF-16 strings.
void BM_Pugixml(benchmark::State& state) {
  const std::string& answer = AnswerOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    pugi::xml_document document;
    const pugi::xml_parse_result result = document.load_buffer(
        answer.data(), answer.size(), pugi::parse_default, pugi::encoding_utf8);
    std::vector<YardstickContact> contacts;
    const pugi::xml_node book = document.child("addressbooks");
    for (pugi::xml_node person = book.child("person"); person;
         person = person.next_sibling("person")) {
      contacts.push_back({Utf8ToUtf16(person.attribute("Name").value()),
                          Utf8ToUtf16(person.attribute("E-Mail").value())});
    }
    if (!result || contacts.size() != static_cast<std::size_t>(state.range(0))) {
      state.SkipWithError("pugixml did not read the answer");
    }
    benchmark::DoNotOptimize(contacts);
  }
  Report(state, answer);
}
#endif

void Sizes(benchmark::internal::Benchmark* b) {
  for (int persons : {1000, 10000, 20000, 100000, 200000}) b->Arg(persons);
  b->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
}

BENCHMARK(BM_Ours)->Apply(Sizes);
BENCHMARK(BM_OursFromBytes)->Apply(Sizes);
BENCHMARK(BM_OursWithUtf16)->Apply(Sizes);
#ifdef TW_BENCH_PUGIXML
BENCHMARK(BM_Pugixml)->Apply(Sizes);
#endif

}  // namespace

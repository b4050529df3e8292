// Parse plus contact extraction of generated company address books, from the
// decoded answer text to the contact list. Sizes span a small office to a
// large group. Bytes per second count the answer as the server sends it
// (UTF-8), so the figures compare with pugixml's parse of the same bytes
// when built with TW_BENCH_PUGIXML (link pugixml).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>

#include "common/utf_convert.h"
#include "sync/exchange_format.h"
#include "xml/xml_parser.h"

#ifdef TW_BENCH_PUGIXML
#include <pugixml.hpp>
#endif

namespace {

struct Surname {
  const char* hanzi;
  const char* pinyin;
};

constexpr Surname kSurnames[] = {
    {"王", "wang"}, {"李", "li"},     {"张", "zhang"}, {"刘", "liu"},   {"陈", "chen"},
    {"杨", "yang"}, {"黄", "huang"},  {"赵", "zhao"},  {"吴", "wu"},    {"周", "zhou"},
    {"徐", "xu"},   {"孙", "sun"},    {"马", "ma"},    {"朱", "zhu"},   {"胡", "hu"},
    {"郭", "guo"},  {"何", "he"},     {"高", "gao"},   {"林", "lin"},   {"罗", "luo"},
    {"郑", "zheng"}, {"梁", "liang"}, {"谢", "xie"},   {"宋", "song"},  {"唐", "tang"},
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

struct Answer {
  std::string utf8;
  std::u16string text;
};

const Answer& AnswerOf(int persons) {
  static std::map<int, Answer> cache;
  auto [it, added] = cache.try_emplace(persons);
  if (added) {
    it->second.utf8 = MakeAnswer(persons);
    it->second.text = Utf8ToUtf16(it->second.utf8);
  }
  return it->second;
}

void Report(benchmark::State& state, const Answer& answer) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * answer.utf8.size()));
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetComplexityN(state.range(0));
}

void BM_ParseAndExtract(benchmark::State& state) {
  const Answer& answer = AnswerOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    AddressBookAnswer read = ReadAddressBookAnswer(answer.text);
    if (read.contacts.size() != static_cast<std::size_t>(state.range(0))) {
      state.SkipWithError("wrong contact count");
    }
    benchmark::DoNotOptimize(read);
  }
  Report(state, answer);
}

void BM_ParseOnly(benchmark::State& state) {
  const Answer& answer = AnswerOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    XmlNode document = ParseXmlDocument(answer.text);
    benchmark::DoNotOptimize(document);
  }
  Report(state, answer);
}

// What a run does with the body: decode it, then parse and extract.
void BM_DecodeParseAndExtract(benchmark::State& state) {
  const Answer& answer = AnswerOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    AddressBookAnswer read = ReadAddressBookAnswer(Utf8ToUtf16(answer.utf8));
    benchmark::DoNotOptimize(read);
  }
  Report(state, answer);
}

#ifdef TW_BENCH_PUGIXML
void BM_PugixmlParse(benchmark::State& state) {
  const Answer& answer = AnswerOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    pugi::xml_document document;
    const pugi::xml_parse_result result = document.load_buffer(
        answer.utf8.data(), answer.utf8.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!result) state.SkipWithError("pugixml rejected the answer");
    benchmark::DoNotOptimize(document);
  }
  Report(state, answer);
}
#endif

void Sizes(benchmark::internal::Benchmark* b) {
  for (int persons : {1000, 10000, 20000, 100000, 200000}) b->Arg(persons);
  b->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
}

BENCHMARK(BM_ParseAndExtract)->Apply(Sizes);
BENCHMARK(BM_ParseOnly)->Apply(Sizes);
BENCHMARK(BM_DecodeParseAndExtract)->Apply(Sizes);
#ifdef TW_BENCH_PUGIXML
BENCHMARK(BM_PugixmlParse)->Apply(Sizes);
#endif

}  // namespace

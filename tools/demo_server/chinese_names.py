"""Generated Chinese personal names with their pinyin, from a caller's
random source (so the caller decides the seed and the order of draws)."""
import bisect
import itertools

# Common family names with rough relative frequencies, so that a generated
# company looks like a real one (many Wangs and Lis, few Yuans).
FAMILY_NAMES = (
    ("王", "wang", 72), ("李", "li", 72), ("张", "zhang", 68), ("刘", "liu", 54),
    ("陈", "chen", 45), ("杨", "yang", 31), ("黄", "huang", 22), ("赵", "zhao", 21),
    ("吴", "wu", 20), ("周", "zhou", 19), ("徐", "xu", 13), ("孙", "sun", 12),
    ("马", "ma", 12), ("朱", "zhu", 11), ("胡", "hu", 10), ("郭", "guo", 10),
    ("何", "he", 9), ("林", "lin", 9), ("高", "gao", 9), ("罗", "luo", 8),
    ("郑", "zheng", 8), ("梁", "liang", 7), ("谢", "xie", 6), ("宋", "song", 5),
    ("唐", "tang", 5), ("许", "xu", 5), ("韩", "han", 5), ("冯", "feng", 4),
    ("邓", "deng", 4), ("曹", "cao", 4), ("彭", "peng", 3), ("曾", "zeng", 3),
    ("肖", "xiao", 3), ("田", "tian", 3), ("董", "dong", 3), ("潘", "pan", 2),
    ("袁", "yuan", 2), ("蒋", "jiang", 2), ("蔡", "cai", 2), ("余", "yu", 2),
)

# Characters with a single common reading, so the address matches the name.
GIVEN_NAME_CHARACTERS = (
    ("伟", "wei"), ("芳", "fang"), ("娜", "na"), ("敏", "min"), ("静", "jing"),
    ("丽", "li"), ("强", "qiang"), ("磊", "lei"), ("军", "jun"), ("洋", "yang"),
    ("勇", "yong"), ("艳", "yan"), ("杰", "jie"), ("娟", "juan"), ("涛", "tao"),
    ("明", "ming"), ("超", "chao"), ("秀", "xiu"), ("霞", "xia"), ("平", "ping"),
    ("刚", "gang"), ("桂", "gui"), ("英", "ying"), ("华", "hua"), ("建", "jian"),
    ("文", "wen"), ("辉", "hui"), ("玲", "ling"), ("鹏", "peng"), ("斌", "bin"),
    ("宇", "yu"), ("浩", "hao"), ("凯", "kai"), ("婷", "ting"), ("雪", "xue"),
    ("琳", "lin"), ("晨", "chen"), ("欣", "xin"), ("佳", "jia"), ("俊", "jun"),
    ("峰", "feng"), ("志", "zhi"), ("红", "hong"), ("梅", "mei"), ("丹", "dan"),
    ("海", "hai"), ("波", "bo"), ("鑫", "xin"), ("颖", "ying"), ("慧", "hui"),
    ("倩", "qian"), ("帆", "fan"), ("瑞", "rui"), ("蕾", "lei"), ("博", "bo"),
    ("然", "ran"), ("思", "si"), ("雨", "yu"), ("嘉", "jia"), ("晓", "xiao"),
)

# Share of names with two given-name characters rather than one.
TWO_CHARACTER_SHARE = 0.7

_FAMILY_CUMULATIVE = list(itertools.accumulate(weight for _, _, weight in FAMILY_NAMES))


def _pick(rng, items):
    # Only random() is guaranteed to repeat across Python versions for a
    # given seed; choice() and randrange() are not.
    return items[int(rng.random() * len(items))]


def random_name(rng):
    """Returns (name, pinyin), e.g. ("王伟", "wangwei")."""
    point = rng.random() * _FAMILY_CUMULATIVE[-1]
    family, family_pinyin, _ = FAMILY_NAMES[bisect.bisect_right(_FAMILY_CUMULATIVE, point)]
    two_characters = rng.random() < TWO_CHARACTER_SHARE
    character, reading = _pick(rng, GIVEN_NAME_CHARACTERS)
    name, pinyin = family + character, family_pinyin + reading
    if two_characters:
        character, reading = _pick(rng, GIVEN_NAME_CHARACTERS)
        name, pinyin = name + character, pinyin + reading
    return name, pinyin

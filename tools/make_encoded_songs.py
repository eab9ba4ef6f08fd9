#!/usr/bin/python3
"""Writes tests/data/encodings/*.mid: one short song per code page that karaoke files are found in,
each with a real sentence of its language (30+ syllables) as lyric events in that code page, and
expected.tsv with the file name, the code page and the syllables in UTF-8 ("|" between them).
Needs mido (Debian: python3-mido). Reproducible: same input, same bytes."""
import os
import re
import sys

import mido

# (file stem, Python codec, text); "/" separates syllables, a space ends a word, "\n" a line.
SONGS = [
    ("de_cp1252", "cp1252",
     "Der/ Mond/ ist/ auf/ge/gan/gen,/ die/ gold/nen/ Stern/lein/ pran/gen\n"
     "am/ Him/mel/ hell/ und/ klar;/ der/ Wald/ steht/ schwarz/ und/ schwei/get,\n"
     "und/ aus/ den/ Wie/sen/ stei/get/ der/ wei/ße/ Ne/bel/ wun/der/bar./ Grü/ße/ für/ Jür/gen!"),
    ("fr_iso8859_15", "iso8859_15",
     "Il/ é/tait/ u/ne/ ber/gè/re/ qui/ gar/dait/ ses/ mou/tons,\n"
     "son/ cœur/ é/tait/ lé/ger/ et/ sa/ voix/ chan/tait/ des/ chan/sons\n"
     "pour/ cent/ eu/ros,/ ô/ sœur,/ à/ l'œil/ d'un/ gar/çon."),
    ("cs_cp1250", "cp1250",
     "Pří/liš/ žluť/ouč/ký/ kůň/ ú/pěl/ ďá/bel/ské/ ó/dy,\n"
     "na/ ho/rách/ ho/ří/ o/heň/ a/ v/ ú/do/lí/ zpí/va/jí/ dě/ti\n"
     "krás/né/ pís/ně/ o/ ja/ru,/ kte/ré/ při/chá/zí."),
    ("pl_iso8859_2", "iso8859_2",
     "W/ Szcze/brze/szy/nie/ chrząszcz/ brzmi/ w/ trzci/nie,\n"
     "i/ Szcze/brze/szyn/ z/ te/go/ sły/nie;/ dzie/ci/ śpie/wa/ją/ pięk/ne\n"
     "pio/sen/ki/ o/ wio/śnie,/ a/ źre/bię/ ska/cze/ po/ łą/ce."),
    ("ru_cp1251", "cp1251",
     "Во/ по/ле/ бе/рё/за/ сто/я/ла,/ во/ по/ле/ куд/ря/ва/я/ сто/я/ла,\n"
     "лю/ли,/ лю/ли,/ сто/я/ла;/ не/ко/му/ бе/рё/зу/ за/ло/ма/ти,\n"
     "не/ко/му/ куд/ря/ву/ за/ло/ма/ти."),
    ("ru_koi8_r", "koi8_r",
     "Ка/лин/ка,/ ка/лин/ка,/ ка/лин/ка/ мо/я!/ В/ са/ду/ я/го/да/ ма/лин/ка,\n"
     "ма/лин/ка/ мо/я!/ Ах,/ под/ со/сно/ю,/ под/ зе/лё/но/ю,\n"
     "спать/ по/ло/жи/те/ вы/ ме/ня."),
    ("el_cp1253", "cp1253",
     "Σε/ γνω/ρί/ζω/ α/πό/ την/ κό/ψη/ του/ σπα/θιού/ την/ τρο/με/ρή,\n"
     "σε/ γνω/ρί/ζω/ α/πό/ την/ ό/ψη/ που/ με/ βιά/ με/τρά/ει/ τη/ γη."),
    ("el_iso8859_7", "iso8859_7",
     "Τα/ παι/διά/ παί/ζουν/ στην/ αυ/λή/ και/ η/ μη/τέ/ρα/ τρα/γου/δά\n"
     "έ/να/ γλυ/κό/ τρα/γού/δι/ για/ τη/ θά/λασ/σα/ και/ τον/ ή/λιο."),
    ("tr_cp1254", "cp1254",
     "Ey/ Türk/ genç/li/ği!/ Bi/rin/ci/ va/zi/fen,/ Türk/ is/tik/lâ/li/ni,\n"
     "Türk/ Cum/hu/ri/ye/ti/ni,/ i/le/le/bet/ mu/ha/fa/za/ ve/ mü/da/fa/a/ et/mek/tir;\n"
     "çi/çek/ler/ a/çı/yor,/ kuş/lar/ şar/kı/ söy/lü/yor."),
    ("lt_cp1257", "cp1257",
     "Lie/tu/va,/ Tė/vy/ne/ mū/sų,/ tu/ did/vy/rių/ že/me,\n"
     "iš/ pra/ei/ties/ ta/vo/ sū/nūs/ te/ stip/ry/bę/ se/mia;\n"
     "te/ ta/vo/ vai/kai/ ei/na/ vien/ ta/kais/ do/ro/vės."),
    ("zh_gbk", "gbk",
     "你/问/我/爱/你/有/多/深/ 我/爱/你/有/几/分\n"
     "我/的/情/也/真/ 我/的/爱/也/真/ 月/亮/代/表/我/的/心\n"
     "轻/轻/的/一/个/吻/ 已/经/打/动/我/的/心"),
    ("zh_gb18030", "gb18030",
     "好/一/朵/美/丽/的/茉/莉/花/ 好/一/朵/美/丽/的/茉/莉/花\n"
     "芬/芳/美/丽/满/枝/桠/ 又/香/又/白/人/人/夸\n"
     "让/我/来/将/你/摘/下/ 送/给/别/人/家"),
    ("zh_big5", "big5",
     "你/問/我/愛/你/有/多/深/ 我/愛/你/有/幾/分\n"
     "我/的/情/也/真/ 我/的/愛/也/真/ 月/亮/代/表/我/的/心\n"
     "輕/輕/的/一/個/吻/ 已/經/打/動/我/的/心"),
    ("ja_shift_jis", "shift_jis",
     "さ/く/ら/ さ/く/ら/ や/よ/い/の/空/は/ 見/わ/た/す/限/り\n"
     "か/す/み/か/雲/か/ 匂/い/ぞ/出/ず/る\n"
     "い/ざ/や/ い/ざ/や/ 見/に/ゆ/か/ん"),
    ("ko_euc_kr", "euc_kr",
     "아/리/랑/ 아/리/랑/ 아/라/리/요/ 아/리/랑/ 고/개/로/ 넘/어/간/다\n"
     "나/를/ 버/리/고/ 가/시/는/ 님/은/ 십/리/도/ 못/가/서/ 발/병/난/다"),
    ("ko_cp949", "cp949",
     "도/라/지/ 도/라/지/ 백/도/라/지/ 심/심/산/천/에/ 백/도/라/지\n"
     "한/두/ 뿌/리/만/ 캐/어/도/ 대/바/구/니/ 반/실/만/ 되/누/나/ 똠/방/각/하"),
    ("vi_utf8", "utf_8",
     "Việt/ Nam/ đất/ nước/ ta/ ơi,/ mênh/ mông/ biển/ lúa/ đâu/ trời/ đẹp/ hơn,\n"
     "cánh/ cò/ bay/ lả/ rập/ rờn,/ mây/ mờ/ che/ đỉnh/ Trường/ Sơn/ sớm/ chiều,\n"
     "quê/ hương/ ơi,/ ta/ nhớ/ mãi/ tiếng/ hát/ ru."),
]

DIVISION = 480
EIGHTH = 240


def syllables(text):
    """Syllables in the program's event form: word ends carry their space, line ends a "\r"."""
    out = []
    for li, line in enumerate(text.split("\n")):
        parts = [p for p in line.split("/") if p != ""]
        for pi, part in enumerate(parts):
            last = pi == len(parts) - 1
            if last and li < len(text.split("\n")) - 1:
                part = part.rstrip(" ") + "\r"
            out.append(part)
    return out


def write_song(path, codec, text):
    mid = mido.MidiFile(type=1, ticks_per_beat=DIVISION)
    conductor = mido.MidiTrack()
    conductor.append(mido.MetaMessage("set_tempo", tempo=500000, time=0))
    conductor.append(mido.MetaMessage("time_signature", numerator=4, denominator=4, time=0))
    conductor.append(mido.MetaMessage("end_of_track", time=0))
    melody = mido.MidiTrack()
    melody.append(mido.Message("program_change", channel=0, program=0, time=0))
    sylls = syllables(text)
    for i, s in enumerate(sylls):
        raw = s.encode(codec)
        # mido's text events carry str; latin-1 maps each byte to one character unchanged.
        melody.append(mido.MetaMessage("lyrics", text=raw.decode("latin-1"), time=DIVISION if i == 0 else 0))
        melody.append(mido.Message("note_on", channel=0, note=60 + (i % 12), velocity=90, time=0))
        melody.append(mido.Message("note_off", channel=0, note=60 + (i % 12), velocity=0, time=EIGHTH))
    melody.append(mido.MetaMessage("end_of_track", time=0))
    mid.tracks.extend([conductor, melody])
    mid.charset = "latin-1"
    mid.save(path)
    return sylls


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "tests", "data",
                                                                 "encodings")
    os.makedirs(out_dir, exist_ok=True)
    rows = []
    for stem, codec, text in SONGS:
        sylls = write_song(os.path.join(out_dir, stem + ".mid"), codec, text)
        assert len(sylls) >= 30, stem
        rows.append(stem + ".mid\t" + codec + "\t" + "|".join(s.replace("\r", "\\r") for s in sylls))
    with open(os.path.join(out_dir, "expected.tsv"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(rows) + "\n")


if __name__ == "__main__":
    main()

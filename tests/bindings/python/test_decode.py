"""securepassword_decode in the system's CPython: the real encoder's texts decoded back, every code
of the C interface with its offset (the shared table, None, non-ASCII and wrong lengths, as str
and as bytes), a result that keeps its clear text out of repr and str and wipes it after a with
block, and many threads at once."""
import os
import threading

import pytest
import securepassword_decode as spd


def table():
    with open(os.environ["SPW_DECODE_VECTORS"], encoding="ascii") as f:
        return [line.rstrip("\n").split("\t") for line in f]


ROWS = table()
GOOD = [r for r in ROWS if r[0] == "ok"]
BAD = [r for r in ROWS if r[0] == "error"]


def test_decodes_the_encoders_texts_as_str_and_bytes():
    assert len(GOOD) > 100
    for _, clear, variant, warning, text in GOOD:
        for given in (text, text.encode("ascii")):
            r = spd.decode(given)
            assert r.clear == bytes.fromhex(clear)
            assert isinstance(r.clear, bytearray)
            assert r.variant == int(variant)
            assert r.warning == (None if warning == "none" else warning)
    assert spd.version() == os.environ["SPW_DECODE_VERSION"]


def refusal(text):
    with pytest.raises(spd.DecodeError) as info:
        spd.decode(text)
    return info.value


def test_refuses_with_the_codes_and_offsets_of_the_c_interface():
    for _, code, offset, name, text in BAD:
        for given in (text, text.encode("ascii")):
            e = refusal(given)
            assert (e.code, e.name, e.offset) == (int(code), name, int(offset)), text
            assert str(e).startswith(name)
            assert spd.code_name(e.code) == name
    assert {int(r[1]) for r in BAD} == set(range(1, 16))

    good = GOOD[0][4]
    assert (refusal(None).name, refusal(None).offset) == ("null-argument", -1)
    e = refusal("ABC\u00e9" + good)
    assert (e.name, e.offset, e.value) == ("invalid-character", 3, 0xE9)
    e = refusal("ABC\u00e9".encode("utf-8") + good.encode())
    assert (e.name, e.offset, e.value) == ("invalid-character", 3, 0xC3)
    assert str(e) == 'invalid-character at offset 3: byte 0xC3 is not a letter, a digit or "*"'
    # A str holds characters: the message names them as such, never as bytes.
    e = refusal("ABCDEFGHI\uff0a" + good)
    assert (e.offset, e.value) == (9, 0xFF0A)
    assert str(e) == 'invalid-character at offset 9: character U+FF0A is not a letter, a digit or "*"'
    e = refusal("ABCDE\U0001F600" + good)
    assert (e.offset, e.value) == (5, 0x1F600)
    assert " character U+1F600 " in str(e)
    assert " character U+000A " in str(refusal("\n" + good))
    assert refusal("").name == "too-few-units"
    assert refusal("A" * 127).offset == 127
    e = refusal("A" * 1_000_000)
    assert (e.name, e.offset) == ("too-many-units", 128)
    assert refusal("A" * 127 + "\u00e9" * 1000).offset == 127
    with pytest.raises(TypeError):
        spd.decode(128)


def test_a_result_never_shows_its_clear_text_and_a_with_block_wipes_it():
    _, clear, variant, _, text = next(r for r in GOOD if len(r[1]) >= 24 and r[3] == "none")
    secret = bytes.fromhex(clear)
    with spd.decode(text) as r:
        held = r.clear
        assert held == secret
        shown = [repr(r), str(r), f"{r!s:}", "%r" % (r,), repr([r])]
        assert repr(r) == f"DecodedPassword(clear=<{len(secret)} bytes>, variant={variant}, warning=None)"
        for s in shown:
            for form in (secret.decode("latin-1"), repr(secret), clear, secret.hex(" ")):
                assert form[1:-1] not in s, s
        with pytest.raises(AttributeError):
            r.clear = bytearray()
    assert held == bytes(len(secret))  # wiped when the block ended

    r = spd.decode(text)
    r.wipe()
    assert r.clear == bytes(len(secret))
    with pytest.raises(ZeroDivisionError):
        with spd.decode(text) as r:
            held = r.clear
            1 / 0  # a failure inside the block still wipes, and goes on
    assert held == bytes(len(secret))
    with pytest.raises(TypeError):
        spd.DecodedPassword()


def test_decodes_on_many_threads_at_once():
    wrong = []

    def work(start):
        for k in range(3000):
            _, clear, _, _, text = GOOD[(k * 7 + start) % len(GOOD)]
            if spd.decode(text).clear != bytes.fromhex(clear):
                wrong.append(text)

    threads = [threading.Thread(target=work, args=(t,)) for t in range(8)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert wrong == []

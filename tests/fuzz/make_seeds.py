#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora (seeds/<target>/) in the input format
each target's comment describes: the ordinary answers and files, and the edge
cases the code has to refuse. Run it again after changing a target's format;
the seeds are checked in, so the seed tests do not need it."""
import ctypes
import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SEEDS = os.path.join(HERE, "seeds")

FIELDS = [("modelName", 24), ("deviceName", 16), ("macAddress", 18), ("ipAddress", 16),
          ("tcpPort", 10), ("udpPort", 10), ("ipMode", 8), ("wifiMode", 6), ("authMode", 8),
          ("encryType", 6), ("ssid", 34), ("key", 28), ("wpaPsk", 72)]


def record(**values):
    """A 256-byte module record; each text cut to its field, zero-padded."""
    defaults = dict(modelName=b"RX7000 WI-FI", deviceName=b"Counter-1", macAddress=b"00-11-22-AA-BB-01",
                    ipAddress=b"192.0.2.10", tcpPort=b"9100", udpPort=b"5000", ipMode=b"STATIC",
                    wifiMode=b"Infra", authMode=b"WPA2PSK", encryType=b"AES", ssid=b"shopfloor", key=b"",
                    wpaPsk=b"lab-passphrase-1")
    defaults.update(values)
    out = b""
    for name, width in FIELDS:
        out += defaults[name][:width].ljust(width, b"\0")
    assert len(out) == 256
    return out


def write(target, name, data):
    directory = os.path.join(SEEDS, target)
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, name), "wb") as f:
        f.write(data)


def search_reply():
    t = "search_reply"
    write(t, "module", record())
    write(t, "wifi-board", record(modelName=b"RX_WIFI_IFBOARD", macAddress=b"00:11:22:aa:bb:02"))
    write(t, "shortest", record()[:75])
    write(t, "one-too-short", record()[:74])
    write(t, "fields-without-terminators", bytes(b"A" * 256))
    write(t, "bytes-after-ssid-nul", record(ssid=b"shop\0floor-hidden"))
    write(t, "control-and-high-bytes", record(deviceName=b"\x1b[31m\\\xff\x7f\n"))
    write(t, "longest-datagram", record() * 4)
    write(t, "empty", b"")


def config_answer():
    t = "config_answer"

    def datagram(sender, data):
        return bytes([sender]) + struct.pack(">H", len(data)) + data

    write(t, "answer-before-probe", b"\x00" + datagram(0, record()))
    write(t, "stranger-and-fragment", b"\x02" + datagram(2, record()) + datagram(0, record()[:100]))
    write(t, "module-answers-probe", bytes([19]) + datagram(1, record()))
    write(t, "silent-after-probe", bytes([19]))
    write(t, "old-address-after-probe", bytes([20]) + datagram(0, record()) + datagram(3, record()))
    write(t, "address-with-zeros", b"\x05" + datagram(3, record()))
    write(t, "answer-after-verdict", bytes([31]) + datagram(1, record()))
    write(t, "long-datagram", b"\x01" + datagram(0, record() + b"x"))


def config_record():
    t = "config_record"
    write(t, "exportable", record())
    write(t, "wep", record(authMode=b"SHARED", encryType=b"WEP", key=b"abcde", wpaPsk=b""))
    write(t, "dhcp-adhoc", record(ipMode=b"DHCP", wifiMode=b"Adhoc", authMode=b"WPANONE"))

    def block(**fields):
        """A 536-byte working block: the record, then extended fields at their offsets."""
        data = bytearray(536)
        data[:256] = record()
        for offset, value in fields.values():
            data[offset:offset + len(value)] = value
        return bytes(data)

    write(t, "bad-ssid", record(ssid=b"shop floor"))
    write(t, "colon-mac", record(macAddress=b"00:11:22:AA:BB:01"))
    write(t, "unparsable-address", record(ipAddress=b"192.0.2.300"))
    write(t, "all-ff", b"\xff" * 536)
    write(t, "all-zero", b"\0" * 536)
    write(t, "full-fields", bytes((0x41 + i % 26) for i in range(256)))
    write(t, "packing-and-serial", block(baud=(331, b"115200"), fmt=(345, b"8,n,1"), flow=(355, b"RTS/CTS"),
                                        serialIf=(365, b"RS-485"), rs485=(376, b"1"), delimOn=(385, b"1"),
                                        timeoutOn=(386, b"1"), lengthOn=(387, b"1"), length=(395, b"512"),
                                        timeout=(405, b"100"), delim=(415, b"0D0A")))
    write(t, "tcp-window", block(hasWindow=(296, b"\x01"), window=(297, b"2"), alt=(307, b"ALT MODEL")))
    write(t, "tcp-window-not-a-number", block(hasWindow=(296, b"\x01"), window=(297, b"x2")))
    write(t, "filter-range", block(filterOn=(445, b"1"), range=(455, b"192.0.2.1:192.0.2.254"), web=(495, b"1")))
    write(t, "bad-packing", block(lengthOn=(387, b"1"), length=(395, b"0"), delimOn=(385, b"1"), delim=(415, b"ZZ")))


def applied_file():
    t = "applied_file"
    write(t, "record", record())
    write(t, "record-wep", record(authMode=b"SHARED", encryType=b"WEP", key=b"abcde"))
    write(t, "record-bad-ssid", record(ssid=b"two words"))
    write(t, "key-file-dhcp", b"$SBNname\r\n$SLC1\r\n$SLI192.0.2.99\r\n$SOMUD\r\n")
    write(t, "key-file-bad-window", b"$SLWx\r\n")
    write(t, "key-file-of-256-bytes", (b"$SBNabcdef\r\n" * 22)[:256])
    write(t, "record-with-key-lines", (b"$SBNabcdef\r\n" * 22)[:255] + b"\0")
    write(t, "text-of-256-bytes", b"x" * 256)
    write(t, "too-large", b"$SLC1\r\n" * 200)
    write(t, "empty", b"")


def key_file():
    t = "key_file"
    lines = [b"Quillmar configuration", b"$SBNRX7000 WI-FI", b"$SSB115200", b"$SSD8,n,1", b"$SSFRTS/CTS",
             b"$SSIRS-232", b"$SOD101", b"$SOS0D0A", b"$SOT100", b"$SOL512", b"$SLC0", b"$SLI192.0.2.10",
             b"$SLN255.255.255.0", b"$SLG192.0.2.1", b"$SLW2", b"$SOMUD", b"$SVP9100", b"$SOCTO", b"$SOU30",
             b"$SUP5000", b"$SUL5001", b"$SUI192.0.2.20", b"$SCP9100", b"$SCI192.0.2.30", b"$SCNprinter.lan",
             b"$SCS192.0.2.1,192.0.2.2", b"$SOF1", b"$SOI192.0.2.1:192.0.2.254"]
    write(t, "every-key", b"\r\n".join(lines) + b"\r\n")
    write(t, "bad-window-index", b"$SBNfirst\r\n$SLWabc\r\n$SBNnever\r\n")
    write(t, "last-line-without-crlf", b"$SBNkept\r\n$SBNlost")
    write(t, "odd-values", b"$SOS0D0\r\n$SOI192.0.2.1\r\n$SLI999.1.1.1\r\n$sbnlower\r\n$SO\r\n")
    write(t, "too-large", (b"$SBNx\r\n" * 147)[:1024])
    write(t, "largest", (b"$SBNx\r\n" * 147)[:1023])
    write(t, "nul-inside", b"$SBNbefore\r\n\0$SBNafter\r\n")
    write(t, "empty", b"")


def settings_files():
    t = "settings_files"
    for name, content in [("zero", b"0"), ("one", b"1"), ("two", b"2"), ("three", b"3"), ("four", b"4"),
                          ("nine", b"9"), ("letter", b"A"), ("empty", b""), ("high-byte", b"\xff"),
                          ("two-digits", b"12"), ("long", b"7" * 100), ("line-end", b"2\r\n")]:
        write(t, name, content)


def direct_settings():
    t = "direct_settings"
    lead = b"\x1d\x67\x57\x47\x00\x00"
    write(t, "com-whole", b"\x00" + lead + record())
    write(t, "com-in-pieces-of-8", bytes([7 << 1]) + lead + record())
    write(t, "usb-whole", bytes([(63 << 1) | 1]) + record())
    write(t, "usb-short", b"\x01" + record()[:100])
    write(t, "com-short", b"\x00" + lead + record()[:40])
    write(t, "com-leading-only", b"\x00" + lead)
    write(t, "starts-with-zero", b"\x00" + lead + b"\0" + record()[1:])
    write(t, "read-again", b"\x01" + record(modelName=b";1"))
    write(t, "usb-longer", bytes([(31 << 1) | 1]) + record() + b"extra")
    write(t, "com-echoed-command", b"\x00" + b"\x1d\x67\x57\x47" + lead + record())
    write(t, "com-extra-leading-byte", b"\x00" + lead + b"\xa5" + record())
    write(t, "usb-blank", b"\x01" + bytes(256))
    write(t, "usb-starts-with-zero", b"\x01" + b"\0" + record()[1:])
    write(t, "lower-case-choices", b"\x00" + lead + record(macAddress=b"00:11:22:aa:bb:01", ipMode=b"dhcp"))


def command_reply():
    t = "command_reply"
    for name, content in [("logok", b"%LOGOK\r\n"), ("logok-more", b"%LOGOK v2.1\r\n"), ("refused", b"%LOGNG\r\n"),
                          ("empty-payload", b"%\r\n"), ("no-percent", b"LOGOK\r\n"), ("nul-inside", b"%LOG\0OK\r\n"),
                          ("no-line-end", b"%LOGOK"), ("longest", b"%" + b"A" * 125 + b"\r\n"),
                          ("too-long", b"%" + b"A" * 200 + b"\r\n"), ("login-key", b"0123456789abcdefABCDEF0123456789"),
                          ("mac", b"00:11:22:aa:bb:cc"), ("odd-mac", b"0g-1:-zz.\xff\xff:--:"), ("empty", b"")]:
        write(t, name, content)


def serial_loader():
    t = "serial_loader"
    ACK, NAK = b"\x06", b"\x15"

    def text(s):
        return bytes([len(s)]) + s

    menu = text(b"Boot loader 1.2\r\n[U] Update\r\n[R] Run\r\n") + text(b"Downloading...\r\n")
    write(t, "upgrade", b"\x00" + struct.pack(">H", 300) + menu + NAK + ACK * 3 + ACK + text(b"done"))
    write(t, "xmodem-one-block", b"\x01" + struct.pack(">H", 128) + NAK + ACK + ACK)
    write(t, "xmodem-resends", b"\x01" + struct.pack(">H", 200) + NAK + NAK * 12 + ACK)
    write(t, "xmodem-eot-nak", b"\x01" + struct.pack(">H", 10) + NAK + ACK + NAK + ACK)
    write(t, "xmodem-noise", b"\x01" + struct.pack(">H", 256) + b"C\x00\xff" + NAK + b"??" + ACK + ACK + ACK)
    write(t, "partial-writes", bytes([5 << 1 | 1]) + struct.pack(">H", 333) + NAK + ACK * 4)
    write(t, "empty-image", b"\x01" + struct.pack(">H", 0) + NAK + ACK)
    write(t, "no-menu", b"\x00" + struct.pack(">H", 300) + text(b"garbage"))
    write(t, "no-downloading", b"\x00" + struct.pack(">H", 300) + text(b"Update") + text(b""))
    write(t, "line-gone", b"\x00" + struct.pack(">H", 300) + b"\xff")
    write(t, "cancelled", b"\x00" + struct.pack(">H", 300) + menu + NAK + ACK)


def tftp_answer():
    t = "tftp_answer"

    def case(block, size, datagram):
        return struct.pack(">HH", block, size) + datagram

    write(t, "request-acknowledged", case(0, 1024, b"\x00\x04\x00\x00"))
    write(t, "block-1", case(1, 1024, b"\x00\x04\x00\x01"))
    write(t, "block-258", case(258, 1024, b"\x00\x04\x01\x02"))
    write(t, "duplicate", case(2, 1024, b"\x00\x04\x00\x01"))
    write(t, "error", case(1, 1024, b"\x00\x05\x00\x01File not found\x00"))
    write(t, "trailing-byte", case(1, 1024, b"\x00\x04\x00\x01\x00"))
    write(t, "path", case(0, 65535, b"/home/tech/site/pages.anf"))
    write(t, "ends-in-slash", case(0, 1, b"/home/tech/"))
    write(t, "long-name", case(0, 100, b"n" * 520))
    write(t, "empty", b"")


def web_image():
    t = "web_image"

    def entry(name, size, kind=0):
        return bytes([len(name)]) + name + struct.pack(">H", size) + bytes([kind])

    site = entry(b"index.html", 120) + entry(b"logo.gif", 2000) + entry(b"style.css", 300)
    write(t, "site", b"\x00" + site)
    write(t, "site-output-beside", b"\x01" + site + entry(b"old.anf", 50))
    write(t, "no-index", b"\x00" + entry(b"main.html", 10))
    write(t, "name-too-long", b"\x00" + entry(b"index.html", 10) + entry(b"averyverylongname.htm", 5))
    write(t, "longest-name", b"\x00" + entry(b"index.html", 10) + entry(b"abcdefghi.jpg", 5))
    write(t, "empty-file", b"\x00" + entry(b"index.html", 10) + entry(b"blank.txt", 0))
    write(t, "directory-and-fifo", b"\x00" + entry(b"index.html", 10) + entry(b"img", 0, 1) + entry(b"pipe", 0, 2))
    write(t, "dangling-link", b"\x00" + entry(b"index.html", 10) + entry(b"gone.png", 0, 3))
    write(t, "too-large", b"\x00" + entry(b"a.jpg", 30000) + entry(b"b.jpg", 30000) + entry(b"index.html", 9000))
    write(t, "plain-and-capitals", b"\x00" + entry(b"index.html", 10) + entry(b"notes.plain", 7) + entry(b"X.HTM", 3))
    write(t, "empty", b"")


def module_answer():
    t = "module_answer"
    write(t, "ssid", b"\x00" + record())
    write(t, "wpa-key-json", b"\x09" + record())
    write(t, "wep-key-secrets", b"\x12" + record(authMode=b"SHARED", encryType=b"WEP", key=b"12345"))
    write(t, "dhcp", b"\x03" + record(ipMode=b"DHCP"))
    write(t, "new-address", b"\x05" + record())
    write(t, "short-answer", b"\x00" + record()[:200])
    write(t, "long-answer", b"\x00" + record() * 3)
    write(t, "control-bytes", b"\x04" + record(deviceName=b"\x1b[2J\x07", ssid=b"\x1b]0;x\x07"))
    write(t, "key-in-ssid", b"\x01" + record(ssid=b"lab-passphrase-1"))
    write(t, "all-ff", b"\x06" + b"\xff" * 256)
    write(t, "empty", b"")


def csv_reader():
    t = "csv_reader"
    header = b"address,interface,modelName,deviceName,macAddress,ipAddress,tcpPort,udpPort,ipMode,wifiMode,authMode," \
             b"encryType,ssid,key,wpaPsk\r\n"
    write(t, "inventory", header + b"192.0.2.20,eth0,RX7000 WI-FI,FRONT,00:1f:7c:00:02:14,192.0.2.20,9100,5000,"
                                   b"STATIC,Infra,WPA2PSK,AES,ShopA,,sha256:0123456789ab\r\n")
    write(t, "edited-map", b"macAddress,ip,ssid,wpaPsk\r\n00-1F-7C-00-02-14,192.0.2.31,\"Shop, front\",secret-1\r\n"
                           b"00-1F-7C-00-02-15,,ShopB,\r\n")
    write(t, "spreadsheet-bom-blank-row", b"\xef\xbb\xbfmacAddress,deviceName,,\r\n00-1F-7C-00-02-14,BAR,,\r\n,,,\r\n")
    write(t, "quoted-line-break", b"macAddress,deviceName\n\"00-1F-7C-00-02-14\",\"two\nlines\"\n")
    write(t, "doubled-quotes", b"macAddress,ssid\r00-1F-7C-00-02-14,\"say \"\"hi\"\"\"\r")
    write(t, "open-quote", b"macAddress,ssid\r\n00-1F-7C-00-02-14,\"open\r\n")
    write(t, "text-after-quote", b"macAddress,ssid\r\n\"00-1F-7C-00-02-14\"x,ShopA\r\n")
    write(t, "same-mac-and-address-twice", b"macAddress,ip\r\n00-1F-7C-00-02-14,192.0.2.31\r\n"
                                           b"00:1f:7c:00:02:14,192.0.2.31\r\n00-1F-7C-00-02-16,192.0.2.31\r\n")
    write(t, "field-twice-and-unknown", b"macAddress,ip,ipAddress,printer\r\n00-1F-7C-00-02-14,1.2.3.4,,x\r\n")
    write(t, "bad-values", b"macAddress,ssid,ipMode,key\r\nnot-a-mac,,STATIC\r\n00-1F-7C-00-02-14,"
                           + b"x" * 40 + b",SOMETIMES,\xff\xfe\r\n")
    write(t, "lone-empty-quoted", b"\"\"\r\n\"\"")
    write(t, "empty", b"")


def sim_command_port():
    t = "sim_command_port"

    def pieces(*chunks):
        return b"".join(bytes([len(c)]) + c for c in chunks)

    write(t, "login-and-reboot", b"\x10" + pieces(b"$LOG\r\n", b"$SYCR\r\n"))
    write(t, "cut-lines", b"\x10" + pieces(b"$LO", b"G\r", b"\n$SY", b"CS\r\n$SYCN\r\n"))
    write(t, "wrong-token", b"\x18" + pieces(b"$LOG0123456789abcdef\r\n", b"$SYCS\r\n"))
    write(t, "refusing-module", b"\x11" + pieces(b"$LOG\r\n", b"$SYCS\r\n"))
    write(t, "okplus-module", b"\x12" + pieces(b"$LOGanything\r\n", b"$SYCN\r\n"))
    write(t, "command-first", b"\x10" + pieces(b"$SYCR\r\n"))
    write(t, "lf-only", b"\x10" + pieces(b"$LOG\n", b"$SYCR\n"))
    write(t, "no-line-end", b"\x10" + pieces(b"A" * 255, b"B" * 255, b"C" * 10))
    write(t, "silent", b"\x06" + pieces(b"$LOG\r\n"))
    write(t, "empty", b"")


def sim_tftp_server():
    t = "sim_tftp_server"

    def request(*texts):
        body = b"\x00\x02" + b"".join(x + b"\x00" for x in texts)
        return bytes([len(body)]) + body

    def data(block, payload):
        packet = struct.pack(">HH", 3, block) + payload
        return struct.pack(">H", len(packet)) + packet

    write(t, "two-blocks", b"\x01" + request(b"pages.anf", b"octet", b"tsize", b"600")
          + data(1, b"a" * 512) + data(2, b"b" * 88))
    write(t, "short-block-ends", b"\x00" + request(b"pages.anf", b"octet") + data(1, b"x" * 10))
    write(t, "again-and-out-of-order", b"\x00" + request(b"p", b"octet") + data(1, b"a" * 512)
          + data(1, b"a" * 512) + data(3, b"c") + data(2, b""))
    write(t, "after-end", b"\x01" + request(b"p", b"octet", b"tsize", b"512") + data(1, b"a" * 512) + data(2, b""))
    write(t, "tsize-not-a-number", b"\x01" + request(b"p", b"octet", b"TSIZE", b"abc") + data(1, b"a" * 512))
    write(t, "read-request", b"\x00" + bytes([9]) + b"\x00\x01name\x00o\x00")
    write(t, "unended-texts", b"\x00" + bytes([8]) + b"\x00\x02name")
    write(t, "oversized-packet", b"\x00" + request(b"p", b"octet") + data(1, b"z" * 520))
    write(t, "empty", b"")


def sim_serial_loader():
    t = "sim_serial_loader"

    def chunk(b):
        return b"\x02" + bytes([len(b)]) + b

    def block(n, fill):
        payload = bytes([fill]) * 128
        return b"\x01" + bytes([n, 255 - n]) + payload + bytes([sum(payload) & 0xFF])

    hand = b"\x00"
    write(t, "update", b"\x00" + hand + chunk(b"U") + b"\x01" + chunk(block(1, 7)[:100]) + chunk(block(1, 7)[100:])
          + chunk(block(2, 9)) + chunk(b"\x04") + chunk(b"U"))
    write(t, "bad-checksum", b"\x00" + hand + chunk(b"U") + chunk(block(1, 7)[:-1] + b"\x00"))
    write(t, "resent-block", b"\x00" + hand + chunk(b"U") + chunk(block(1, 3)) + chunk(block(1, 3)))
    write(t, "naks-first", b"\x08" + hand + chunk(b"U") + chunk(block(1, 1)) + chunk(block(1, 1)) + chunk(block(1, 1)))
    write(t, "stray-and-eot-nak", b"\x30" + hand + chunk(b"U") + chunk(block(1, 2)) + chunk(b"\x04") + chunk(b"\x04"))
    write(t, "drops", b"\x80" + hand + chunk(b"U") + chunk(block(1, 1)) + chunk(block(2, 2)) + chunk(block(3, 3)))
    write(t, "plain-menu", b"\x01" + hand + chunk(b"U") + chunk(block(1, 1)))
    write(t, "noise-before-hand-over", b"\x00" + chunk(b"U\x01\x04") + b"\x01" + hand)
    write(t, "empty", b"")


def sim_settings_port():
    t = "sim_settings_port"
    read, write_cmd = b"\x1d\x67\x57\x47", b"\x1d\x67\x57\x53"

    def piece(pause, b):
        return bytes([pause]) + bytes([len(b)]) + b

    rec = record(ssid=b"Written")
    write(t, "read", b"\x00" + piece(0, read))
    write(t, "write-in-pieces", b"\x00" + piece(0, write_cmd + rec[:100]) + piece(1, rec[100:200]) + piece(0, rec[200:]))
    write(t, "write-interrupted", b"\x00" + piece(0, write_cmd + rec[:100]) + piece(30, rec[100:]))
    write(t, "garbage-then-read", b"\x20" + piece(0, b"\x00\x1d\x1dxx" + read))
    write(t, "echo-fault", b"\x05" + piece(0, read + read))
    write(t, "random-fault", b"\x07" + piece(0, read))
    write(t, "short-fault-once", b"\x0b" + piece(0, read) + piece(0, read))
    write(t, "split-command", b"\x00" + piece(0, read[:2]) + piece(0, read[2:]))
    write(t, "empty", b"")


def audit_log():
    t = "audit_log"

    def piece(b):
        return bytes([len(b)]) + b

    def change(field, before, after):
        return bytes([field]) + piece(before) + piece(after)

    write(t, "first-write", piece(b"") + piece(b"config set") + piece(b"00-1F-7C-00-02-14") + piece(b"192.0.2.20")
          + piece(b"confirmed") + change(10, b"LabNet", b"Shop2"))
    write(t, "after-a-cut-line", piece(b'{"time":"2026-01-01T00:00:00Z","operation":"con') + piece(b"window save")
          + piece(b"00-1F-7C-00-02-14") + piece(b"192.0.2.20") + piece(b"refused: another printer"))
    write(t, "control-and-high-bytes", piece(b"\n\n") + piece(b"com write") + piece(b"\x1b]0;x\x07\xff")
          + piece(b"COM2") + piece(b"written\r\n{") + change(1, b"\x00\"\\", b"\xe9"))
def sealed(contents, passphrase=b"fuzz words", passes=1, memory_kib=8, version=1, salt=b"s" * 16,
           nonce=b"n" * 24):
    """A sealed file as history/sealed_file.h lays it out, made with the
    libsodium the program links; fixed salt and nonce, so that the seeds stay
    the same from one run to the next."""
    sodium = ctypes.CDLL("libsodium.so.23")
    assert sodium.sodium_init() >= 0
    header = b"QMSEALED" + bytes([version, 1]) + struct.pack(">II", passes, memory_kib) + salt + nonce
    key = ctypes.create_string_buffer(32)
    assert sodium.crypto_pwhash(key, ctypes.c_ulonglong(32), passphrase, ctypes.c_ulonglong(len(passphrase)), salt,
                                ctypes.c_ulonglong(passes), ctypes.c_size_t(memory_kib * 1024), ctypes.c_int(2)) == 0
    out = ctypes.create_string_buffer(len(contents) + 16)
    out_size = ctypes.c_ulonglong()
    assert sodium.crypto_aead_xchacha20poly1305_ietf_encrypt(out, ctypes.byref(out_size), contents,
                                                              ctypes.c_ulonglong(len(contents)), header,
                                                              ctypes.c_ulonglong(len(header)), None, nonce, key) == 0
    return header + out.raw[:out_size.value]


def sealed_file():
    t = "sealed_file"
    good = sealed(record())
    write(t, "record", good)
    write(t, "key-file", sealed(b"$SBNRX9000\r\n$SLC1\r\n"))
    write(t, "other-passphrase", sealed(record(), passphrase=b"other words"))
    write(t, "changed-tag", good[:-1] + bytes([good[-1] ^ 1]))
    write(t, "changed-header", good[:20] + bytes([good[20] ^ 1]) + good[21:])
    write(t, "version-2", good[:8] + b"\x02" + good[9:])
    write(t, "cost-too-high", good[:14] + struct.pack(">I", 2 * 1024 * 1024) + good[18:])
    write(t, "cost-too-low", good[:10] + struct.pack(">I", 0) + good[14:])
    write(t, "cut-in-the-header", good[:40])
    write(t, "header-only", good[:74])
    write(t, "plain-record", record())
    write(t, "empty", b"")


def secrets_file():
    t = "secrets_file"
    write(t, "every-name", b"# the shop\nkey=ABCDE\nwpaPsk=lab-passphrase-1\npassword=counter1\npassphrase=lab words\n")
    write(t, "crlf-any-case", b"WPAPSK=a=b c \r\n\r\nPassPhrase=\r\n")
    write(t, "no-equals", b"wpaPsk=x\nhunter2\n")
    write(t, "unknown-name", b"ssid=Shop\n")
    write(t, "twice", b"key=a\nKEY=b\n")
    write(t, "no-line-end", b"password=p")
    write(t, "empty", b"")


if __name__ == "__main__":
    shutil.rmtree(SEEDS, ignore_errors=True)
    for make in (search_reply, config_answer, config_record, applied_file, key_file, settings_files, direct_settings,
                 command_reply, serial_loader, tftp_answer, web_image, module_answer, csv_reader, sim_command_port,
                 sim_tftp_server, sim_serial_loader, sim_settings_port, audit_log, sealed_file, secrets_file):
        make()

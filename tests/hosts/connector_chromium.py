#!/usr/bin/env python3
"""The connector in Chromium, end to end, under Xvfb: the program registers the native host,
Chromium loads the unpacked connector, a page from a local server (whose picture needs the
page's login cookie) is clipped through the extension's message entry point as a selection, a
page, its images and a link, and each note is checked on disk with its picture.

    xvfb-run -a python3 tests/hosts/connector_chromium.py PROGRAM SOURCE_DIR
"""
import http.server
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import threading

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

EXTENSION_ID = "adfcejolbcmecmijfffolfochijcblcb"
PNG = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010806000000"
                    "1f15c4890000000d49444154789c63f8ffff3f0005fe02fea7d6a5b40000000049454e44ae426082")
PAGE = ("<html><head><title>Clip test</title></head><body>"
        "<p id='t'>Hello <b>clip</b> &amp; me<img src='/pic.png'></p>"
        "<a id='l' href='https://example.org/read?a=1&amp;b=2'>Read &lt;more&gt;</a></body></html>")


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path == "/page.html":
            self.reply(PAGE.encode(), "text/html; charset=utf-8", [("Set-Cookie", "session=ok; Path=/")])
        elif self.path == "/pic.png" and "session=ok" in (self.headers.get("Cookie") or ""):
            self.reply(PNG, "image/png")
        else:
            self.send_error(403)

    def reply(self, body, kind, headers=()):
        self.send_response(200)
        self.send_header("Content-Type", kind)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main():
    program, source = pathlib.Path(sys.argv[1]).resolve(), pathlib.Path(sys.argv[2]).resolve()
    work = pathlib.Path(tempfile.mkdtemp(prefix="quillbox-connector-"))
    try:
        run(program, source, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def run(program, source, work):
    home, store, profile = work / "home", work / "store", work / "profile"
    (store / "Web").mkdir(parents=True)
    (home / ".config/quillbox").mkdir(parents=True)
    os.environ.update(HOME=str(home), XDG_CONFIG_HOME=str(home / ".config"),
                      XDG_DATA_HOME=str(home / ".local/share"))
    # Every clip a new note, so the four kinds do not append to each other.
    (home / ".config/quillbox/registry.reg").write_text(
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Brennock\\Quillbox]\n"
        f"\"FolderToStore\"=\"{store}/\"\n\"ForceNewNoteMode\"=dword:00000002\n")
    subprocess.run([str(program), "-regserver"], check=True, env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    manifest = home / ".config/chromium/NativeMessagingHosts/org.quillbox.connector.json"
    assert json.loads(manifest.read_text())["allowed_origins"] == [f"chrome-extension://{EXTENSION_ID}/"]
    # A profile of its own reads the host manifests from its own folder.
    shutil.copytree(manifest.parent, profile / "NativeMessagingHosts")
    extension = work / "connector"
    subprocess.run(["bash", str(source / "scripts/package-connector.sh"), str(extension)], check=True,
                   stdout=subprocess.DEVNULL)

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    page = f"http://127.0.0.1:{server.server_address[1]}/page.html"

    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--no-sandbox", "--disable-gpu", "--no-first-run", f"--user-data-dir={profile}",
                     f"--load-extension={extension / 'chromium'}",
                     "--disable-features=DisableLoadExtensionCommandLineSwitch"):
        options.add_argument(argument)
    options.add_experimental_option("excludeSwitches", ["disable-extensions"])
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        driver.set_script_timeout(60)
        driver.get(page)
        driver.execute_script("const r = document.createRange(); r.selectNodeContents(document.getElementById('t'));"
                              "getSelection().removeAllRanges(); getSelection().addRange(r);")
        driver.switch_to.new_window("tab")
        driver.get(f"chrome-extension://{EXTENSION_ID}/popup.html")
        answers = {}
        for kind in ("selection", "page", "images", "link"):
            answers[kind] = driver.execute_async_script(
                "const [kind, done] = arguments;"
                "chrome.tabs.query({url: 'http://127.0.0.1/*'}).then(([tab]) => chrome.runtime.sendMessage({"
                "  type: 'clip', tabId: tab.id, kind, folder: 'Web', comments: 'from Chromium',"
                "  link: {url: 'https://example.org/read?a=1&b=2', text: 'Read <more>'}})).then(done, (e) => done({ok: false, error: String(e)}));",
                kind)
    finally:
        driver.quit()
        server.shutdown()
    check(store, answers)


def check(store, answers):
    for kind, answer in answers.items():
        assert answer and answer.get("ok"), f"{kind}: {answer}"
    notes = {kind: store / (answer["note"] + ".html") for kind, answer in answers.items()}
    texts = {kind: path.read_text(encoding="utf-8") for kind, path in notes.items()}
    assert answers["selection"]["note"] == "Web/Clip test", answers
    assert "Hello <b>clip</b> &amp; me<img src=\"Clip%20test.files/pic.png\">" in texts["selection"], texts["selection"]
    assert (store / "Web/Clip test.files/pic.png").read_bytes() == PNG
    assert "<ORIGINAL_URL>http://127.0.0.1:" in texts["selection"] and "<COMMENTS>from Chromium</COMMENTS>" in texts["selection"]
    assert answers["page"]["note"] == "Web/Clip test-1" and "Read &lt;more&gt;</a>" in texts["page"], texts["page"]
    assert answers["page"]["pictures"] == 1 and answers["images"]["pictures"] == 1, answers
    assert answers["images"]["note"] == "Web/Images from Clip test" and "Hello" not in texts["images"].split("NOTEXMLINFOEND")[1]
    assert "<A HREF=\"https://example.org/read?a=1&amp;b=2\">Read &lt;more&gt;</A>" in texts["link"], texts["link"]
    print("connector in Chromium: 4 clips kept")


if __name__ == "__main__":
    main()

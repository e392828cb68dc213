#!/usr/bin/env python3
"""The remote control page in headless Chromium at phone size (390 x 844), against kelvane-cli serve and
kelvane-sim on loopback: move the Music fader, tap its mute and a preset, and check that the emulated
processor received those frames (kelvane-sim --trace-bytes). With --screenshots: the page in English
after the mute, and in Chinese after the recall (docs/screenshots/remote-page-*.png)."""
import argparse
import json
import os
import queue
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By

CMD_MASTER_VOLUME = 1
CMD_RECALL = 133
MUTE_BIT = 0x80


def wait_for(what, check, seconds=30.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = check()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


class Frames:
    """The frames kelvane-sim prints with --trace-bytes, as lists of byte values."""

    def __init__(self, stream):
        self.lines = queue.Queue()
        self.seen = []
        threading.Thread(target=self._read, args=(stream,), daemon=True).start()

    def _read(self, stream):
        for line in stream:
            if line.startswith("bytes "):
                self.lines.put([int(b, 16) for b in line.split()[1:]])

    def find(self, match):
        while not self.lines.empty():
            self.seen.append(self.lines.get())
        return next((f for f in self.seen if match(f)), None)


def master_volume(frame, index, value):
    return len(frame) > 6 and frame[4] == CMD_MASTER_VOLUME and frame[5] == index and frame[6] == value


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--screenshots", help="folder for remote-page-en.png and remote-page-zh.png")
    args = parser.parse_args()

    sim = subprocess.Popen([args.sim, "--udp", "127.0.0.1:0", "--trace-bytes"], stdout=subprocess.PIPE, text=True)
    serve = None
    driver = None
    try:
        where = sim.stdout.readline().strip()
        port = where.rsplit(":", 1)[1]
        frames = Frames(sim.stdout)
        serve = subprocess.Popen([args.cli, "--no-serial", "--no-usb", "--device-address", "127.0.0.1",
                                  "--device-port", port, "--timing-scale", "0.05", "serve", "127.0.0.1:0"],
                                 stdout=subprocess.PIPE, text=True)
        url = serve.stdout.readline().strip()
        assert url.startswith("http://127.0.0.1:"), url

        def ready():
            with urllib.request.urlopen(url + "api/state", timeout=5) as r:
                s = json.load(r)
            return s["connected"] and s["presets"][0] == "Program 01"
        wait_for("the initial read", ready)

        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--no-first-run", "--lang=en-US", "--window-size=390,844",
                     "--user-data-dir=" + tempfile.mkdtemp(prefix="kelvane-chromium-")):
            options.add_argument(flag)
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": 390, "height": 844, "deviceScaleFactor": 1, "mobile": True})
        driver.get(url)
        assert driver.execute_script("return [innerWidth, innerHeight]") == [390, 844]
        wait_for("the connected indicator", lambda: driver.find_element(By.ID, "link").get_attribute("data-state") == "ok")
        wait_for("the preset names", lambda: "Program 01" in driver.find_element(By.ID, "presets").text)
        wait_for("the meters", lambda: driver.execute_script(
            "return [...document.querySelectorAll('.meter .lvl')].some(e => parseFloat(e.style.height) > 0)"))

        # The Music fader: drag its knob up.
        music = driver.find_element(By.ID, "strip-music")
        knob = music.find_element(By.CSS_SELECTOR, ".knob")
        before = int(music.find_element(By.CSS_SELECTOR, ".value").text)
        ActionChains(driver).click_and_hold(knob).move_by_offset(0, -40).move_by_offset(0, -40).release().perform()
        value = int(music.find_element(By.CSS_SELECTOR, ".value").text)
        assert value != before, (before, value)
        wait_for("the Music volume frame", lambda: frames.find(lambda f: master_volume(f, 0, value)))

        # Its mute button.
        music.find_element(By.CSS_SELECTOR, ".mute").click()
        wait_for("the Music mute frame", lambda: frames.find(lambda f: master_volume(f, 0, value | MUTE_BIT)))
        wait_for("the muted look", lambda: "muted" in music.get_attribute("class"))
        if args.screenshots:
            os.makedirs(args.screenshots, exist_ok=True)
            driver.save_screenshot(os.path.join(args.screenshots, "remote-page-en.png"))

        # A preset.
        driver.find_element(By.CSS_SELECTOR, "#presets button[data-slot='3']").click()
        wait_for("the recall frame", lambda: frames.find(lambda f: len(f) > 5 and f[4] == CMD_RECALL and f[5] == 3))
        wait_for("the recalled slot shown", lambda: "current" in driver.find_element(
            By.CSS_SELECTOR, "#presets button[data-slot='3']").get_attribute("class"))
        wait_for("the recalled program", lambda: driver.find_element(By.ID, "programName").text == "3: Program 03")

        if args.screenshots:
            driver.find_element(By.ID, "lang").click()
            wait_for("the Chinese texts", lambda: "预设" in driver.find_element(By.TAG_NAME, "body").text)
            driver.save_screenshot(os.path.join(args.screenshots, "remote-page-zh.png"))
        print("remote page: fader %d -> %d, mute and preset 3 reached the processor" % (before, value))
        return 0
    finally:
        if driver:
            driver.quit()
        for p in (serve, sim):
            if p:
                p.terminate()
                p.wait(timeout=30)


if __name__ == "__main__":
    sys.exit(main())

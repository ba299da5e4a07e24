#!/usr/bin/python3
"""Runs a command against a mocked BlueZ on a private D-Bus.

    tests/btstack/bluez/mock-bluez-run.py -- harlune-cli --stack=bluez devices

The mock (python3-dbusmock, template bluez5) has one adapter, hci0, with two paired devices: a
cellular phone "T68i" 00:80:37:1A:2B:3C of class 0x520204 and a headset "Car headset"
00:0A:95:01:02:03 of class 0x200404. The command sees the bus in HARLUNE_BLUEZ_BUS. The bus and
the mock are stopped when the command ends; the exit status is the command's.
"""
import os
import subprocess
import sys
import time

import dbus

DEVICES = [
    ("00:80:37:1A:2B:3C", "T68i", 0x520204),
    ("00:0A:95:01:02:03", "Car headset", 0x200404),
]


def stop(process):
    if process is None or process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(timeout=5)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def populate(address):
    connection = dbus.bus.BusConnection(address)
    bluez = dbus.Interface(connection.get_object("org.bluez", "/org/bluez"), "org.bluez.Mock")
    bluez.AddAdapter("hci0", "harlune-mock")
    for device_address, name, device_class in DEVICES:
        path = bluez.AddDevice("hci0", device_address, name)
        bluez.PairDevice("hci0", device_address, dbus.Int32(device_class))
        # PairDevice keeps the class it was given only for devices without a modalias, which
        # AddDevice always sets: the class goes in as a property update.
        mock = dbus.Interface(connection.get_object("org.bluez", path), "org.freedesktop.DBus.Mock")
        mock.UpdateProperties("org.bluez.Device1", {"Class": dbus.UInt32(device_class)})
    return connection


def main(argv):
    command = argv[1:]
    if command and command[0] == "--":
        command = command[1:]
    if not command:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    mock = None
    try:
        address = bus.stdout.readline().strip()
        if not address:
            print("mock-bluez-run: dbus-daemon did not start", file=sys.stderr)
            return 1
        env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address, DBUS_SYSTEM_BUS_ADDRESS=address)
        mock = subprocess.Popen([sys.executable, "-m", "dbusmock", "--template", "bluez5"], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        watcher = dbus.bus.BusConnection(address)
        deadline = time.monotonic() + 20
        while not watcher.name_has_owner("org.bluez"):
            if mock.poll() is not None or time.monotonic() > deadline:
                print("mock-bluez-run: the BlueZ mock did not come up", file=sys.stderr)
                return 1
            time.sleep(0.05)
        populate(address)
        return subprocess.call(command, env=dict(os.environ, HARLUNE_BLUEZ_BUS=address))
    finally:
        stop(mock)
        stop(bus)


if __name__ == "__main__":
    sys.exit(main(sys.argv))

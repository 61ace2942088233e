-- Demo site for Talvik Maintenance Logs: a sawmill with its planer mill, dry
-- kilns, energy plant and yard, kept by two maintenance crews.
--
-- Load after schema.sql into an empty schema:
--     psql -v ON_ERROR_STOP=1 -f db/schema.sql -f db/demo-data.sql
-- Reference rows have fixed ids so that people and tests can name them; the
-- log entries are drawn with a fixed seed and placed relative to now(), so
-- the site always has fresh work in the last few days.

SET client_min_messages = warning;
SET client_encoding = 'UTF8';

BEGIN;

DO $$
BEGIN
    IF EXISTS (SELECT 1 FROM vek.departments) OR EXISTS (SELECT 1 FROM vek.logs) THEN
        RAISE EXCEPTION 'the demo data goes into an empty vek schema only';
    END IF;
END
$$;

INSERT INTO vek.departments (id, name, acronym) VALUES
    (1, 'Planer Mill',             'PM'),
    (2, 'Sawmill',                 'SM'),
    (3, 'Maintenance Electrical',  'ME'),
    (4, 'Maintenance Mechanical',  'MM'),
    (5, 'Dry Kilns and Energy',    'DK'),
    (6, 'Yard and Shipping',       'YS');

-- Role 1 sees everything and role 2 all but the yard (5 of 6): both may
-- administer. Roles 5 and 6 see exactly one department.
INSERT INTO vek.roles (id, name) VALUES
    (1, 'Administrator'),
    (2, 'Maintenance Supervisor'),
    (3, 'Electrical Crew'),
    (4, 'Mechanical Crew'),
    (5, 'Planer Mill Operator'),
    (6, 'Shipping Foreman');

INSERT INTO vek.roleviews (roles_id, departments_id) VALUES
    (1, 1), (1, 2), (1, 3), (1, 4), (1, 5), (1, 6),
    (2, 1), (2, 2), (2, 3), (2, 4), (2, 5),
    (3, 1), (3, 2), (3, 3), (3, 5),
    (4, 1), (4, 2), (4, 4),
    (5, 1),
    (6, 6);

INSERT INTO vek.cost_center (id, name) VALUES
    (1, '1100 Sawmill'),
    (2, '1200 Planer Mill'),
    (3, '1300 Dry Kilns'),
    (4, '1400 Energy Plant'),
    (5, '1500 Log Yard'),
    (6, '1600 Shipping'),
    (7, '1900 Site Services');

INSERT INTO vek.process (id, name, cost_center_id) VALUES
    ( 1, 'Log Infeed',            1),
    ( 2, 'Debarker',              1),
    ( 3, 'Headrig',               1),
    ( 4, 'Edger',                 1),
    ( 5, 'Trimmer and Sorter',    1),
    ( 6, 'Planer Infeed',         2),
    ( 7, 'Planer',                2),
    ( 8, 'Grading Line',          2),
    ( 9, 'Package Line',          2),
    (10, 'Kiln Carts and Transfer', 3),
    (11, 'Kiln Controls',         3),
    (12, 'Boiler',                4),
    (13, 'Compressed Air',        4),
    (14, 'Hog Fuel System',       4),
    (15, 'Log Loaders',           5),
    (16, 'Rail and Truck Loading', 6),
    (17, 'Forklift Fleet',        6),
    (18, 'Dust Collection',       7),
    (19, 'Fire Protection',       7),
    (20, 'Building Power',        7);

INSERT INTO vek.motors (id, mid, description, process_id) VALUES
    ( 1, 'SM-CV-101',  'Log deck chain conveyor',                1),
    ( 2, 'SM-MTR-102', 'Log deck drive motor 75 hp',             1),
    ( 3, 'SM-DB-201',  'Ring debarker',                          2),
    ( 4, 'SM-HYD-202', 'Debarker hydraulic power unit',          2),
    ( 5, 'SM-SAW-301', 'Headrig band saw',                       3),
    ( 6, 'SM-CAR-302', 'Headrig carriage',                       3),
    ( 7, 'SM-VFD-303', 'Carriage drive VFD',                     3),
    ( 8, 'SM-SAW-401', 'Edger arbor saws',                       4),
    ( 9, 'SM-CV-402',  'Edger outfeed belt',                     4),
    (10, 'SM-TR-501',  'Trimmer saw bank',                       5),
    (11, 'SM-SRT-502', 'Sorter bins and gates',                  5),
    (12, 'PM-CV-101',  'Planer infeed lug chain',                6),
    (13, 'PM-TIL-102', 'Tilt hoist',                             6),
    (14, 'PM-PLN-201', 'Planer 8-head moulder',                  7),
    (15, 'PM-MTR-202', 'Top head motor 100 hp',                  7),
    (16, 'PM-MTR-203', 'Bottom head motor 100 hp',               7),
    (17, 'PM-CV-301',  'Grading table chain',                    8),
    (18, 'PM-SCN-302', 'Grade scanner',                          8),
    (19, 'PM-TS-303',  'Trim saw',                               8),
    (20, 'PM-STK-401', 'Package stacker',                        9),
    (21, 'PM-WRP-402', 'Package wrapper',                        9),
    (22, 'PM-STR-403', 'Strapping machine',                      9),
    (23, 'DK-TRF-101', 'Kiln transfer car',                     10),
    (24, 'DK-FAN-201', 'Kiln 1 circulation fans',               11),
    (25, 'DK-FAN-202', 'Kiln 2 circulation fans',               11),
    (26, 'DK-PLC-203', 'Kiln control PLC',                      11),
    (27, 'EP-BLR-101', 'Thermal oil boiler',                    12),
    (28, 'EP-FAN-102', 'Boiler induced draft fan',              12),
    (29, 'EP-CMP-201', 'Air compressor 1',                      13),
    (30, 'EP-CMP-202', 'Air compressor 2',                      13),
    (31, 'EP-CV-301',  'Hog fuel drag conveyor',                14),
    (32, 'EP-SCR-302', 'Fuel bin screw',                        14),
    (33, 'LY-LDR-101', 'Log loader 980H',                       15),
    (34, 'LY-LDR-102', 'Log stacker 990',                       15),
    (35, 'SH-CRN-101', 'Rail car loading crane',                16),
    (36, 'SH-SCL-102', 'Truck scale',                           16),
    (37, 'SH-FL-201',  'Forklift 12 (Hyster H360)',             17),
    (38, 'SH-FL-202',  'Forklift 14 (Hyster H360)',             17),
    (39, 'SH-FL-203',  'Forklift 15 (Taylor X360)',             17),
    (40, 'SS-DC-101',  'Planer mill baghouse',                  18),
    (41, 'SS-DC-102',  'Sawmill cyclone and rotary valve',      18),
    (42, 'SS-FP-201',  'Fire pump (diesel)',                    19),
    (43, 'SS-FP-202',  'Sprinkler riser, planer mill',          19),
    (44, 'SS-MCC-301', 'Main MCC, sawmill',                     20),
    (45, 'SS-MCC-302', 'Main MCC, planer mill',                 20),
    (46, 'SS-SUB-303', 'Site substation transformer',           20);

INSERT INTO vek.employees (id, first_name, last_name, active, departments_id) VALUES
    ( 1, 'Dale',     'Kowalchuk',   true,  1),
    ( 2, 'Priya',    'Sandhu',      true,  1),
    ( 3, 'Marcel',   'Gagnon',      true,  1),
    ( 4, 'Tyler',    'Bjornson',    false, 1),
    ( 5, 'Rosa',     'Medeiros',    true,  1),
    ( 6, 'Gurpreet', 'Dhillon',     true,  2),
    ( 7, 'Wayne',    'Petersen',    true,  2),
    ( 8, 'Lena',     'Fairbairn',   true,  2),
    ( 9, 'Cody',     'McAllister',  false, 2),
    (10, 'Hank',     'Olafsson',    true,  2),
    (11, 'Sean',     'O''Reilly',   true,  3),
    (12, 'Mei',      'Tanaka',      true,  3),
    (13, 'Jordan',   'Lachance',    true,  3),
    (14, 'Ravi',     'Chaudhary',   false, 3),
    (15, 'Kurt',     'Vandermeer',  true,  3),
    (16, 'Bryce',    'Halvorsen',   true,  4),
    (17, 'Angus',    'MacLeod',     true,  4),
    (18, 'Terrance', 'Yellowhorn',  true,  4),
    (19, 'Ivan',     'Petrovic',    true,  4),
    (20, 'Gord',     'Sutherland',  false, 4),
    (21, 'Nadia',    'Haddad',      true,  4),
    (22, 'Owen',     'Prescott',    true,  5),
    (23, 'Farah',    'Qureshi',     true,  5),
    (24, 'Luc',      'Bouchard',    true,  5),
    (25, 'Dennis',   'Whitford',    false, 5),
    (26, 'Shawna',   'Crowe',       true,  6),
    (27, 'Manny',    'Ferreira',    true,  6),
    (28, 'Keith',    'Lindgren',    true,  6),
    (29, NULL,       'Tremblay',    true,  6),
    (30, 'Alexei',   'Morozov',     false, 6);

INSERT INTO vek.shifts (id, name) VALUES
    (1, 'Day'),
    (2, 'Afternoon'),
    (3, 'Night'),
    (4, 'Weekend');

-- "open" is the one status that keeps an entry open; the client lists
-- statuses by id, so it comes first.
INSERT INTO vek.status (id, name) VALUES
    (1, 'open'),
    (2, 'completed'),
    (3, 'closed'),
    (4, 'cancelled');

INSERT INTO vek.downtime_reasons (id, name, departments_id) VALUES
    ( 1, 'No downtime',            1),
    ( 2, 'Breakdown',              1),
    ( 3, 'Scheduled maintenance',  1),
    ( 4, 'Jam-up',                 1),
    ( 5, 'Waiting for parts',      1),
    ( 6, 'No downtime',            2),
    ( 7, 'Breakdown',              2),
    ( 8, 'Scheduled maintenance',  2),
    ( 9, 'Saw change',             2),
    (10, 'Waiting for parts',      2),
    (11, 'No downtime',            3),
    (12, 'Breakdown',              3),
    (13, 'Power outage',           3),
    (14, 'Scheduled maintenance',  3),
    (15, 'No downtime',            4),
    (16, 'Breakdown',              4),
    (17, 'Scheduled maintenance',  4),
    (18, 'Waiting for parts',      4),
    (19, 'No downtime',            5),
    (20, 'Breakdown',              5),
    (21, 'Kiln cycle delayed',     5),
    (22, 'Low steam pressure',     5),
    (23, 'No downtime',            6),
    (24, 'Breakdown',              6),
    (25, 'No cars available',      6),
    (26, 'Weather',                6);

INSERT INTO vek.categories (id, name, departments_id) VALUES
    ( 1, 'Electrical',               1),
    ( 2, 'Mechanical',               1),
    ( 3, 'Hydraulic',                1),
    ( 4, 'Lubrication',              1),
    ( 5, 'Safety',                   1),
    ( 6, 'Saws and Knives',          2),
    ( 7, 'Mechanical',               2),
    ( 8, 'Electrical',               2),
    ( 9, 'Hydraulic',                2),
    (10, 'Safety',                   2),
    (11, 'Motors and Drives',        3),
    (12, 'PLC and Controls',         3),
    (13, 'Power Distribution',       3),
    (14, 'Lighting',                 3),
    (15, 'Conveyors',                4),
    (16, 'Bearings and Gearboxes',   4),
    (17, 'Welding and Fabrication',  4),
    (18, 'Preventive Maintenance',   4),
    (19, 'Fans and Heating Coils',   5),
    (20, 'Controls',                 5),
    (21, 'Boiler',                   5),
    (22, 'Mobile Equipment',         6),
    (23, 'Rail and Loading',         6),
    (24, 'Scales',                   6);

-- Identity columns continue after the fixed ids.
DO $$
DECLARE
    t text;
BEGIN
    FOREACH t IN ARRAY ARRAY['departments', 'roles', 'roleviews', 'cost_center',
            'process', 'motors', 'employees', 'shifts', 'status',
            'downtime_reasons', 'categories'] LOOP
        EXECUTE format('SELECT setval(pg_get_serial_sequence(%L, ''id''), max(id)) FROM vek.%I',
                       'vek.' || t, t);
    END LOOP;
END
$$;

-- What kind of work each category is, to match it with fitting texts:
-- E electrical, P power distribution, G lighting, C controls, M mechanical,
-- F welding, H hydraulic, L lubrication and preventive work, S safety,
-- B boiler, V mobile equipment, R rail loading, W weighing.
CREATE TEMPORARY TABLE demo_category_kind (categories_id bigint, kind text) ON COMMIT DROP;
INSERT INTO demo_category_kind VALUES
    (1, 'E'), (2, 'M'), (3, 'H'), (4, 'L'), (5, 'S'),
    (6, 'M'), (7, 'M'), (8, 'E'), (9, 'H'), (10, 'S'),
    (11, 'E'), (12, 'C'), (13, 'P'), (14, 'G'),
    (15, 'M'), (16, 'M'), (17, 'F'), (18, 'L'),
    (19, 'M'), (20, 'C'), (21, 'B'),
    (22, 'V'), (23, 'R'), (24, 'W');

-- Problem and action texts. "fits" is a pattern over the equipment's mid
-- and description (codes in capitals, words in small letters) that says
-- what equipment a text can be about. In the texts %1$s is the description
-- at the start of a sentence, %2$s the same in the middle of one.
-- open_action is what an entry still in progress says.
CREATE TEMPORARY TABLE demo_text (
    id serial, kind text, fits text, problem text, action text, open_action text
) ON COMMIT DROP;
INSERT INTO demo_text (kind, fits, problem, action, open_action) VALUES
    ('E', 'MTR|CV|FAN|SCR|CMP|DB-|-TR-|SAW|PLN',
          '%1$s tripped on overload twice this shift.',
          E'Megged the motor, 500 MΩ phase to ground, OK. Found a loose lug on T2 at the starter.\nRe-terminated, checked amps under load: 62 A, within nameplate.',
          'Megger test done, motor OK. Still looking for the cause.'),
    ('P', '.',
          'No power to the %2$s after the storm.',
          'Reset the main breaker at the MCC, replaced a blown control fuse (3 A). Ran it up & checked rotation.',
          ''),
    ('E', 'MTR',
          '%1$s running hot, smells like burnt varnish.',
          E'Swapped the motor with the rebuilt spare from the crib.\nOld one tagged and sent out for rewind.',
          'Spare motor pulled from stores, waiting on a crane lift.'),
    ('E', 'FAN|CMP|CV|SCR|DB-|SAW',
          'Drive motor of the %2$s running hot, smells like burnt varnish.',
          E'Swapped the motor with the rebuilt spare from the crib.\nOld one tagged and sent out for rewind.',
          'Spare motor pulled from stores, waiting on a crane lift.'),
    ('G', '^(SM|PM|SS|EP)-',
          'Flickering lights over the %2$s, operator can''t read the gauges.',
          'Replaced two LED high-bay drivers and tightened the neutral in panel LP-3.',
          ''),
    ('E', 'CV|-TS-|-TR-|SRT|STK|SCN|TIL',
          'Photo eye on the %2$s not seeing boards.',
          'Cleaned the lens, realigned the reflector, tested with a 2x4 at both ends.',
          'Ordered a replacement sensor.'),
    ('E', '.',
          'Ground fault alarm on the %2$s.',
          E'Traced the fault to a nicked cable in the trough under the chains.\nSpliced with heat shrink, alarm cleared. Cable to be replaced at shutdown.',
          'Isolated the circuit; running on the bypass until we find it.'),
    ('P', 'VFD|MCC|SUB',
          '%1$s: breaker tripping on start-up, "phase loss" on the display.',
          'Found a failed contact on the main contactor. Replaced the contactor, checked all three phases (< 2 %% imbalance).',
          'Contactor on order; running with the spare bucket.'),
    ('P', 'SUB',
          '%1$s: oil temperature alarm during the afternoon peak.',
          E'Cooling fans were not running: failed thermostat relay, replaced it.\nOil level and sample OK; temperature down to 58 °C.',
          'Load shed the kilns to keep the temperature down; relay on order.'),
    ('G', '^(SM|PM|DK|LY|SH)-',
          'Area lights out around the %2$s, crew working with headlamps.',
          'Replaced the photocell and two 400 W fixtures with LED. Checked the rest of the circuit.',
          'Temporary light tower set up.'),
    ('C', 'PLC|SCN|VFD|SRT|STK|WRP|STR|BLR|TRF|CAR|-TS-|-TR-',
          'PLC fault on the %2$s, lost communication with the remote rack.',
          'Reseated the Ethernet module, replaced a damaged patch cord. Comms back, cleared faults.',
          'Rack is in fault, module on order.'),
    ('C', 'DK-|EP-|PLC|BLR|CMP',
          'Setpoint on the %2$s keeps drifting, readings don''t match the handheld.',
          'Recalibrated the transmitter against the test gauge, 4-20 mA loop checked end to end.',
          ''),
    ('C', 'PLC|SCN|SRT|BLR|CAR|STK',
          'HMI for the %2$s frozen; operator can''t acknowledge alarms.',
          'Rebooted the panel PC, cleared the full log buffer. Will watch it next shift.',
          ''),
    ('W', 'SCL',
          '%1$s reading off by more than 200 kg against the test weights.',
          'Re-spanned with certified weights, replaced a corroded junction box terminal. Within tolerance now.',
          'Scale tagged out until calibration.'),
    ('W', 'SCL',
          '%1$s display blank, trucks backing up at the gate.',
          'Replaced the indicator power supply. Zeroed and checked with the test truck.',
          'Weighing trucks on the rail scale meanwhile.'),
    ('M', 'MTR|CV|FAN|DB-|SCR|CMP|PLN|SAW|-TR-',
          'Bearing on the %2$s is noisy and running hot (85 °C on the gun).',
          E'Replaced the drive-end bearing (22218 with adapter sleeve).\nAligned the coupling to < 0.05 mm. 41 °C after an hour.',
          'Greased it and are monitoring; bearing is on order.'),
    ('M', 'chain|drag|TIL|TRF|SRT|STK',
          'Chain jumped the sprocket on the %2$s.',
          'Replaced the worn sprocket and 12 ft of chain, set tension, ran it empty for 20 min.',
          'Put the chain back on temporarily. Sprocket is worn, need to replace at downtime.'),
    ('M', 'belt',
          'Belt tracking off on the %2$s, boards are falling off the side.',
          'Adjusted the tail pulley take-up and trained the belt. Replaced one seized return idler.',
          ''),
    ('M', 'CV|SCR|TIL|TRF|DB-|CAR|SRT',
          'Loud knocking from the gearbox of the %2$s.',
          E'Drained the oil: metal flakes. Opened the inspection cover, chipped tooth on the 2nd stage.\nSwapped in the spare gearbox; old one to the shop for rebuild.',
          'Gearbox is on its way from the supplier, ETA Thursday.'),
    ('M', '^(SM|PM|DK|EP)-|DC-',
          'Guard on the %2$s cracked at the hinge.',
          'Welded a new hinge bracket and reinforced the guard with 1/4" plate.',
          ''),
    ('M', 'SAW|-TR-|-TS-',
          '%1$s cutting out of line, boards are wedged.',
          'Changed the saw, checked guides and set-up. Cut test boards, within 0.5 mm.',
          ''),
    ('M', 'FAN|DC-',
          '%1$s: vibration high, 12 mm/s at the outboard bearing.',
          'Cleaned build-up from the blades and rebalanced in place. Down to 2.1 mm/s.',
          'Vibration readings taken, scheduling a balance.'),
    ('M', 'PLN',
          'Knife marks and chip bruising on boards out of the %2$s.',
          'Jointed and ground the top and bottom heads, reset the chip breaker. Boards clean.',
          ''),
    ('F', '^(SM|PM|DK|EP)-|DC-|CRN',
          'Cracked weld on the frame of the %2$s.',
          'Gouged out the crack, welded with 7018 and added a gusset. Painted.',
          'Crack marked and measured; welding booked for Sunday shutdown.'),
    ('F', 'CV|SCR|DC-|DB-|-TR-|SRT',
          'Wear plate in the chute of the %2$s worn through, chips going everywhere.',
          'Cut out the old plate and welded in new AR400 plate.',
          ''),
    ('H', 'HYD|CAR|TIL|LDR|CRN|DB-|STK|FL-',
          'Hydraulic leak on the %2$s, oil all over the deck.',
          'Replaced the burst 3/4" hose and two O-rings on the manifold. Topped up 40 L of AW46.',
          'Clamped and wrapped the hose for now, new hose assembly ordered.'),
    ('H', 'HYD|CAR|TIL|STK',
          '%1$s is slow to respond; pressure only 1,200 psi.',
          E'Relief valve was stuck partly open. Cleaned it and reset to 2,000 psi.\nChanged the return filter while we were at it.',
          ''),
    ('H', 'TIL|CAR|LDR|CRN|STK|FL-',
          'Cylinder on the %2$s drifting down when stopped.',
          'Resealed the cylinder with a new seal kit; no drift after a 30 min hold test.',
          'Cylinder pulled and is at the hydraulic shop.'),
    ('L', '.',
          'Monthly PM on the %2$s.',
          E'Greased all fittings, checked oil levels, inspected belts and chains.\nNothing out of the ordinary.',
          ''),
    ('L', 'CV|chain|PLN|CAR|DB-|SAW',
          'Auto-lube system on the %2$s not pumping.',
          'Refilled the reservoir, bled air from the lines, replaced a cracked feed line.',
          ''),
    ('L', 'HYD|CMP|BLR|LDR|FL-|PLN|SCR|CRN',
          'Quarterly oil sample and inspection on the %2$s.',
          'Took oil samples and sent them out. Changed the breather. All readings normal.',
          ''),
    ('S', 'CV|chain|belt|TIL|SRT|STK|-TR-|-TS-',
          'Pull cord on the %2$s doesn''t stop the line.',
          'Replaced the broken pull-cord switch and re-tensioned the cord. Tested at three points with the operator.',
          'Line locked out until the switch is replaced.'),
    ('S', '.',
          'Lock-out point on the %2$s has no label; the crew wasn''t sure which isolator it was.',
          'Labelled the isolator and updated the lock-out procedure sheet at the panel.',
          ''),
    ('S', '^(SM|PM)-|DC-|EP-CV|EP-SCR',
          'Housekeeping: dust build-up around the %2$s & on its motor.',
          'Blew down the area and the motor with the crew, emptied the catch pan.',
          ''),
    ('B', 'BLR|EP-FAN',
          '%1$s tripped on low draft, kilns losing heat.',
          E'ID fan inlet damper linkage had come loose. Re-pinned and adjusted.\nBoiler back on line, kilns recovering.',
          'Boiler on low fire while we look at the damper.'),
    ('B', 'BLR',
          'Thermal oil pressure fluctuating on the %2$s.',
          'Cleaned the suction strainer on the circulation pump; pressure steady at 5.5 bar.',
          'Strainer is plugged; cleaning it at the next kiln changeover.'),
    ('V', 'LDR|FL-',
          '%1$s won''t start, battery dead.',
          'Replaced both batteries and cleaned the terminals. Charging system checks out.',
          'Jump started; new batteries ordered.'),
    ('V', 'LDR|FL-',
          '%1$s: brakes soft, operator parked it.',
          E'Bled the brakes, replaced the leaking caliper seal on the front left.\nRoad tested with the operator.',
          'Tagged out, waiting for the seal kit.'),
    ('V', 'LDR|FL-',
          '%1$s: check engine light, low power going uphill.',
          'Replaced the fuel filters and cleaned the air intake. Codes cleared.',
          'Pulled codes: fuel pressure low. Filters on order.'),
    ('R', 'CRN',
          '%1$s won''t travel, fault on the long-travel drive.',
          'Reset the drive, found a worn festoon cable, replaced that section. Travel OK both ways.',
          'Crane parked; loading with forklifts meanwhile.'),
    ('R', 'CRN',
          'Hoist brake on the %2$s slipping under load.',
          'Adjusted the brake air gap and replaced the worn lining. Load tested with the test block.',
          '');

-- The entries themselves, drawn in a temporary table and then inserted in
-- order of start time, so that newer work has higher ids as it would on a
-- real server. Every entry draws the same number of random values, so the
-- site comes out the same whenever it is loaded, only moved to end now.
CREATE TEMPORARY TABLE demo_log (
    n bigint, departments_id bigint, motor_id bigint, categories_id bigint,
    authors_id bigint, shifts_id bigint, status_id bigint,
    downtime_reasons_id bigint, hours double precision, problem text,
    action text, timestamp_start timestamptz, timestamp_end timestamptz,
    last_updated timestamptz
) ON COMMIT DROP;

-- One element of a list, chosen by a random value in [0, 1).
CREATE FUNCTION pg_temp.demo_pick(ids bigint[], r double precision) RETURNS bigint
LANGUAGE sql IMMUTABLE
RETURN ids[1 + floor(r * cardinality(ids))::integer];

DO $$
DECLARE
    total   constant integer := 420;
    recent  constant integer := 30;    -- of them within the last 7 days
    hours_choices constant double precision[] :=
        ARRAY[0.25, 0.5, 0.5, 0.75, 1, 1, 1, 1.5, 1.5, 2, 2, 2.5, 3, 3, 4, 5, 6, 8];
    -- Departments differ in how much they log.
    dept_weights constant bigint[] := ARRAY[1,1,1,1,2,2,2,3,3,3,4,4,4,5,5,6];
    t_now   timestamptz := date_trunc('minute', now());
    rnd     double precision[];
    i       integer;
    d       bigint;
    age     interval;
    t_start timestamptz;
    t_end   timestamptz;
    t_upd   timestamptz;
    is_open boolean;
    st      bigint;
    h       double precision;
    m       bigint;
    c       bigint;
    a       bigint;
    s       bigint;
    r       bigint;
    txt     record;
    area    text;
    motor_desc text;
    hour_of_day integer;
BEGIN
    PERFORM setseed(0.1);
    FOR i IN 1 .. total LOOP
        rnd := ARRAY(SELECT random() FROM generate_series(1, 20));

        d := pg_temp.demo_pick(dept_weights, rnd[1]);

        IF i <= total - recent THEN
            age := make_interval(secs => rnd[2] * 730 * 86400);
        ELSE
            age := make_interval(secs => rnd[2] * 7 * 86400);
        END IF;
        t_start := t_now - age;
        -- Most work is reported in the day shift's hours.
        hour_of_day := extract(hour FROM t_start)::integer;
        IF rnd[3] < 0.5 AND (hour_of_day < 6 OR hour_of_day >= 18) THEN
            t_start := t_start - make_interval(hours => 12);
        END IF;
        t_start := date_trunc('minute', t_start);
        hour_of_day := extract(hour FROM t_start)::integer;

        IF extract(isodow FROM t_start) >= 6 AND rnd[4] < 0.7 THEN
            s := 4;
        ELSIF hour_of_day >= 6 AND hour_of_day < 14 THEN
            s := 1;
        ELSIF hour_of_day >= 14 AND hour_of_day < 22 THEN
            s := 2;
        ELSE
            s := 3;
        END IF;

        -- Equipment of the department's own area; the maintenance crews
        -- work on everything.
        area := CASE d
            WHEN 1 THEN '^PM-|^SS-(DC-101|MCC-302|FP-202)'
            WHEN 2 THEN '^SM-|^SS-(DC-102|MCC-301)'
            WHEN 5 THEN '^(DK|EP)-'
            WHEN 6 THEN '^(LY|SH)-'
            ELSE '.'
        END;

        c := pg_temp.demo_pick(ARRAY(
                SELECT ca.id FROM vek.categories ca
                WHERE ca.departments_id = d ORDER BY ca.id), rnd[5]);

        -- A text of the category's kind that fits some of the area's
        -- equipment, then such equipment.
        SELECT t.* INTO txt FROM demo_text t
        WHERE t.id = pg_temp.demo_pick(ARRAY(
                SELECT t2.id FROM demo_text t2
                JOIN demo_category_kind k ON k.kind = t2.kind
                WHERE k.categories_id = c
                  AND EXISTS (SELECT 1 FROM vek.motors mo
                              WHERE mo.mid ~ area
                                AND (mo.mid || ' ' || mo.description) ~ t2.fits)
                ORDER BY t2.id), rnd[6]);
        IF NOT FOUND THEN
            RAISE EXCEPTION 'no demo text fits category % in department %', c, d;
        END IF;

        m := pg_temp.demo_pick(ARRAY(
                SELECT mo.id FROM vek.motors mo
                WHERE mo.mid ~ area AND (mo.mid || ' ' || mo.description) ~ txt.fits
                ORDER BY mo.id), rnd[7]);
        SELECT mo.description INTO motor_desc FROM vek.motors mo WHERE mo.id = m;

        -- Former employees wrote only the older entries.
        a := pg_temp.demo_pick(ARRAY(
                SELECT e.id FROM vek.employees e
                WHERE e.departments_id = d AND (e.active OR age > interval '400 days')
                ORDER BY e.id), rnd[8]);

        -- Open work: mostly recent, a few forgotten old ones.
        is_open := rnd[9] < CASE
            WHEN age < interval '7 days' THEN 0.5
            WHEN age < interval '60 days' THEN 0.2
            ELSE 0.03 END;

        IF is_open THEN
            st := 1;
            h := CASE WHEN rnd[10] < 0.5 THEN 0
                      ELSE hours_choices[1 + floor(rnd[11] * 6)::integer] END;
            t_end := NULL;
            t_upd := t_start + (t_now - t_start) * rnd[12] * 0.2;
        ELSE
            st := CASE WHEN rnd[13] < 0.72 THEN 2 WHEN rnd[13] < 0.94 THEN 3 ELSE 4 END;
            IF st = 4 THEN
                h := 0.25;
            ELSE
                h := hours_choices[1 + floor(rnd[14] * array_length(hours_choices, 1))::integer];
            END IF;
            -- Done within the shift, or some days later when parts had to
            -- come in.
            t_end := t_start + make_interval(secs => h * 3600 * (1 + rnd[15]));
            IF rnd[16] < 0.12 THEN
                t_end := t_end + make_interval(days => 1 + floor(rnd[17] * 6)::integer);
            END IF;
            t_end := date_trunc('minute', least(t_end, t_now - interval '5 minutes'));
            IF t_end < t_start THEN t_end := t_start; END IF;
            t_upd := t_end + make_interval(mins => floor(rnd[18] * 90)::integer);
        END IF;
        t_upd := least(t_upd, t_now);

        -- Mostly no downtime; otherwise one of the department's reasons,
        -- waiting for parts only where the work took days or is still open.
        IF rnd[19] < 0.55 THEN
            SELECT dr.id INTO r FROM vek.downtime_reasons dr
            WHERE dr.departments_id = d AND dr.name = 'No downtime';
        ELSE
            r := pg_temp.demo_pick(ARRAY(
                    SELECT dr.id FROM vek.downtime_reasons dr
                    WHERE dr.departments_id = d AND dr.name <> 'No downtime'
                      AND (dr.name <> 'Waiting for parts' OR is_open
                           OR t_end > t_start + interval '1 day')
                    ORDER BY dr.id), rnd[20]);
        END IF;

        INSERT INTO demo_log VALUES (
            i, d, m, c, a, s, st, r, h,
            format(txt.problem, motor_desc, lower(left(motor_desc, 1)) || substr(motor_desc, 2)),
            CASE
                WHEN st = 4 THEN 'Not needed: duplicate of an earlier entry, or fixed by operations before we got there.'
                WHEN is_open THEN txt.open_action
                ELSE txt.action
            END,
            t_start, t_end, t_upd);
    END LOOP;
END
$$;

INSERT INTO vek.logs (
    display_number, motor_id, departments_id, shifts_id, categories_id,
    problem, action, authors_id, status_id, hours, downtime_reasons_id,
    last_updated, timestamp_start, timestamp_end)
SELECT
    row_number() OVER (PARTITION BY departments_id ORDER BY timestamp_start, n),
    motor_id, departments_id, shifts_id, categories_id,
    problem, action, authors_id, status_id, hours, downtime_reasons_id,
    last_updated, timestamp_start, timestamp_end
FROM demo_log
ORDER BY timestamp_start, n;

COMMIT;

ANALYZE vek.logs;
